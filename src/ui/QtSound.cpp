#include "QtSound.h"

#include <QAudioBuffer>
#include <QAudioDecoder>
#include <QAudioDevice>
#include <QAudioSink>
#include <QFileInfo>
#include <QMediaDevices>
#include <QTimer>
#include <QUrl>

namespace moyuta::ui {

QtSound::QtSound(std::function<QString()> programFolder, QObject *parent)
    : QObject(parent), programFolder_(std::move(programFolder)), release_(new QTimer(this))
{
    release_->setSingleShot(true);
    connect(release_, &QTimer::timeout, this, &QtSound::stopSink);
}

QtSound::~QtSound()
{
    close();
}

void QtSound::open()
{
    close();
    const QFileInfo file(programFolder_() + kCueFileName);
    // Nothing to decode: no need to wake the decoder for a certain failure.
    if (!file.isFile() || file.size() == 0) {
        setStatus(Status::Failed);
        return;
    }
    decoder_ = new QAudioDecoder(this);
    connect(decoder_, &QAudioDecoder::bufferReady, this, &QtSound::takeBuffer);
    connect(decoder_, &QAudioDecoder::finished, this, [this] { decodingEnded(true); });
    connect(decoder_, qOverload<QAudioDecoder::Error>(&QAudioDecoder::error), this,
            [this] { decodingEnded(false); });
    setStatus(Status::Decoding);
    if (!decoder_->isSupported()) {
        decodingEnded(false);
        return;
    }
    decoder_->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
    decoder_->start();
}

void QtSound::takeBuffer()
{
    if (!decoder_)
        return;
    const QAudioBuffer buffer = decoder_->read();
    if (!buffer.isValid() || buffer.byteCount() == 0)
        return;
    if (!format_.isValid())
        format_ = buffer.format();
    // One format for the whole chime: the sink plays it as one stream.
    if (buffer.format() != format_) {
        decodingEnded(false);
        return;
    }
    pcm_.append(buffer.constData<char>(), buffer.byteCount());
    if (pcm_.size() >= kMaxSampleBytes) {
        pcm_.truncate(kMaxSampleBytes - kMaxSampleBytes % qMax(1, format_.bytesPerFrame()));
        decodingEnded(true);
    }
}

void QtSound::decodingEnded(bool ok)
{
    if (!decoder_)
        return;
    dropDecoder();
    if (!ok || pcm_.isEmpty() || !format_.isValid()) {
        pcm_.clear();
        format_ = {};
        setStatus(Status::Failed);
        return;
    }
    setStatus(Status::Ready);
}

void QtSound::dropDecoder()
{
    if (!decoder_)
        return;
    decoder_->disconnect(this);
    decoder_->stop();
    decoder_->deleteLater();  // it may be the one signalling now
    decoder_ = nullptr;
}

// A request that comes while the chime is still being decoded (the first
// fraction of a second after start-up) is dropped: playing it late would
// sound for something the user no longer looks at.
void QtSound::playCue()
{
    if (status_ != Status::Ready)
        return;
    // A new request starts the chime again from its beginning, never after the one playing.
    stopSink();
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull())
        return;
    sink_ = new QAudioSink(output, format_, this);
    // The whole chime goes to the device at once: nothing of it waits for
    // the event loop, which a long handler may hold (Qt 6.4 does not resume
    // a PulseAudio stream after an underrun).
    sink_->setBufferSize(pcm_.size());
    connect(sink_, &QAudioSink::stateChanged, this, &QtSound::sinkStateChanged);
    QIODevice *device = sink_->start();
    if (sink_ && device)
        handedOver_ = device->write(pcm_) > 0;
    sinkStateChanged();
}

void QtSound::sinkStateChanged()
{
    if (!sink_)
        return;
    if (sink_->error() != QAudio::NoError && sink_->error() != QAudio::UnderrunError) {
        stopSink();  // no device, or the sound server went away
        return;
    }
    // Idle after the chime was handed over: the device has played it all, or
    // nearly; the sink goes once the rest has had time to sound.
    if (sink_->state() == QAudio::IdleState && handedOver_ && !release_->isActive()) {
        const qint64 leftUs = format_.durationForBytes(pcm_.size()) - sink_->processedUSecs();
        release_->start(int(qMax<qint64>(0, leftUs) / 1000) + kReleaseMarginMs);
    }
}

void QtSound::stopSink()
{
    release_->stop();
    if (!sink_)
        return;
    QAudioSink *sink = sink_;
    sink_ = nullptr;
    handedOver_ = false;
    sink->disconnect(this);
    sink->stop();
    sink->deleteLater();  // it may be the one signalling now
}

void QtSound::close()
{
    dropDecoder();
    stopSink();
    pcm_.clear();
    format_ = {};
    setStatus(Status::Closed);
}

void QtSound::setStatus(Status status)
{
    if (status_ == status)
        return;
    status_ = status;
    emit statusChanged(status);
}

}  // namespace moyuta::ui
