#pragma once
// The cue sound: the chime file in the program folder, decoded once into
// memory and played through a fresh audio sink for each request. Whatever
// goes wrong (no file, a damaged file, no decoder, no audio device, the
// sound server leaving) leaves the program silent: no box, no wait.

#include "Ports.h"

#include <QAudioFormat>
#include <QByteArray>
#include <QObject>
#include <functional>

class QAudioDecoder;
class QAudioSink;
class QTimer;

namespace moyuta::ui {

class QtSound : public QObject, public SoundPort {
    Q_OBJECT
public:
    static inline const QString kCueFileName = QStringLiteral("crrect_answer3.mp3");

    enum class Status {
        Closed,    // before open() and after close()
        Decoding,  // open() has started the decoder; requests are dropped meanwhile
        Ready,     // the chime is in memory
        Failed,    // no usable chime: requests do nothing
    };

    // `programFolder` gives the folder of the cue file, ending in a separator;
    // it is asked when open() runs (start-up has found the folder by then).
    explicit QtSound(std::function<QString()> programFolder, QObject *parent = nullptr);
    ~QtSound() override;

    void open() override;
    void playCue() override;
    void close() override;

    Status status() const { return status_; }
    // A sink exists for the cue that plays (or has just played).
    bool sinkActive() const { return sink_ != nullptr; }
    // The decoded chime and its format.
    const QByteArray &samples() const { return pcm_; }
    QAudioFormat format() const { return format_; }

    // A chime longer than this is cut: the cue is meant to be short, and the
    // whole of it goes to the device at once.
    static constexpr qsizetype kMaxSampleBytes = 2 * 1024 * 1024;
    // Once everything is handed over the device still plays what it holds;
    // the sink goes this long after that should have ended.
    static constexpr int kReleaseMarginMs = 500;

signals:
    void statusChanged(moyuta::ui::QtSound::Status status);

private:
    void setStatus(Status status);
    void takeBuffer();
    void decodingEnded(bool ok);
    void dropDecoder();
    void stopSink();
    void sinkStateChanged();

    std::function<QString()> programFolder_;
    Status status_ = Status::Closed;
    QAudioDecoder *decoder_ = nullptr;
    QByteArray pcm_;
    QAudioFormat format_;
    QAudioSink *sink_ = nullptr;
    bool handedOver_ = false;  // the sink has the whole chime
    QTimer *release_ = nullptr;
};

}  // namespace moyuta::ui
