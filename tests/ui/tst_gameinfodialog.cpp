// The game-information dialog behind the dialogs port: its nine labelled
// fields over the record's information, and what OK and キャンセル give back.
#include "GameInfoDialog.h"
#include "QtPorts.h"
#include "SgfRead.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace moyuta;

class TestGameInfoDialog : public QObject {
    Q_OBJECT
private slots:
    void fieldsAndAnswers_data();
    void fieldsAndAnswers();
};

namespace {

const QStringList kLabels{"黒番", "白番", "日付", "コミ", "置石", "結果", "対局名", "場所", "メモ"};

QStringList fieldsOf(const GameInfo &i)
{
    return {i.black, i.white, i.date, i.komi, i.handicap, i.result, i.gameName, i.place, i.comment};
}

// The field an assistive tool finds by its name, and the text it shows.
QWidget *fieldNamed(QWidget *dialog, const QString &name)
{
    for (QWidget *w : dialog->findChildren<QWidget *>())
        if (w->accessibleName() == name && (qobject_cast<QLineEdit *>(w) || qobject_cast<QPlainTextEdit *>(w)))
            return w;
    return nullptr;
}

// Text an input method commits, as Japanese is typed.
void typeJapanese(QWidget *field, const QString &text)
{
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QCoreApplication::sendEvent(field, &commit);
}

QString textOf(QWidget *field)
{
    if (auto *line = qobject_cast<QLineEdit *>(field))
        return line->text();
    return qobject_cast<QPlainTextEdit *>(field)->toPlainText();
}

}  // namespace

void TestGameInfoDialog::fieldsAndAnswers_data()
{
    QTest::addColumn<QString>("press");  // a button's text, "Escape" or "Enter"
    QTest::addColumn<bool>("accepted");

    QTest::newRow("OK") << "OK" << true;
    QTest::newRow("Enter") << "Enter" << true;
    QTest::newRow("キャンセル") << "キャンセル" << false;
    QTest::newRow("Escape") << "Escape" << false;
}

void TestGameInfoDialog::fieldsAndAnswers()
{
    QFETCH(QString, press);
    QFETCH(bool, accepted);

    GameInfo info;
    info.black = QStringLiteral("山田");
    info.komi = QStringLiteral("6.5");
    info.comment = QStringLiteral("一行目\n二行目");
    const GameInfo before = info;

    ui::QtDialogs dialogs;
    QString title;
    QStringList shown, captions, buttons;
    int longest = -1;
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!qobject_cast<ui::GameInfoDialog *>(dialog))
            return;
        title = dialog->windowTitle();
        for (const QString &name : kLabels) {
            QWidget *field = fieldNamed(dialog, name);
            shown << (field ? textOf(field) : QStringLiteral("<no field>"));
            for (QLabel *label : dialog->findChildren<QLabel *>())
                if (field && label->buddy() == field)
                    captions << label->text();
        }
        longest = qobject_cast<QLineEdit *>(fieldNamed(dialog, QStringLiteral("白番")))->maxLength();
        for (QAbstractButton *b : dialog->findChildren<QPushButton *>())
            buttons << b->text();
        QWidget *white = fieldNamed(dialog, QStringLiteral("白番"));
        white->setFocus();
        typeJapanese(white, QStringLiteral("佐藤"));
        QTest::keyClick(white, Qt::Key_Space);
        QWidget *note = fieldNamed(dialog, QStringLiteral("メモ"));
        note->setFocus();
        QTest::keyClick(note, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(note, Qt::Key_Return);
        typeJapanese(note, QStringLiteral("三行目"));
        if (press == QLatin1String("Escape") || press == QLatin1String("Enter")) {
            QTest::keyClick(white, press == QLatin1String("Enter") ? Qt::Key_Return : Qt::Key_Escape);
            return;
        }
        for (QAbstractButton *b : dialog->findChildren<QPushButton *>())
            if (b->text() == press)
                b->click();
    });
    QCOMPARE(dialogs.askGameInfo(info), accepted);
    QCOMPARE(title, QStringLiteral("対局情報"));
    QCOMPARE(shown, fieldsOf(before));
    QStringList wanted;
    for (const QString &label : kLabels)
        wanted << label + QStringLiteral("：");
    QCOMPARE(captions, wanted);
    QCOMPARE(longest, record::kMaxInfoChars);
    buttons.sort();
    QCOMPARE(buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("キャンセル")}));

    GameInfo expected = before;
    if (accepted) {
        expected.white = QStringLiteral("佐藤");  // the trailing space trimmed
        expected.comment += QStringLiteral("\n三行目");
    }
    QCOMPARE(fieldsOf(info), fieldsOf(expected));
}

QTEST_MAIN(TestGameInfoDialog)
#include "tst_gameinfodialog.moc"
