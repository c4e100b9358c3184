#pragma once
// frmLogo: the small window shown while the program starts.

#include <QWidget>

class QLabel;

namespace moyuta::ui {

class SplashWindow : public QWidget {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget *parent = nullptr);
    void setStatus(const QString &text);
    QString status() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *status_;
};

}  // namespace moyuta::ui
