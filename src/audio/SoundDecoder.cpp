#include "audio/SoundDecoder.h"

#include "audio/AudioText.h"
#include "audio/DecodeProtocol.h"
#include "audio/SoundLayout.h"
#include "platform/Error.h"
#include "platform/InstallLayout.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

namespace keysound::audio {

namespace protocol = decodeprotocol;

namespace {

constexpr int RestartAfterMs = 1000;  // a decoder that cannot start is not tried at every key
constexpr qsizetype KeptVerdicts = 4096;
constexpr int StreamPipeBytes = 1 << 20;  // six seconds of sound between the decoder and the output
constexpr int IdleDecoderTimes = 10;      // a decoder that neither works nor ends gets this many times its time

// A decoder needs some 100 MB of address space for the mixer and its decoders; decoding needs
// little more. Its processor time covers the longest sound it may decode; the only file it writes
// is the memory file of the PCM held.
platform::ChildLimits decoderLimits(qint64 heldFrames)
{
    return {qint64(1) << 30, 120, heldFrames * protocol::BytesPerFrame};
}

// Monotonic milliseconds from a fixed point: only differences are used.
qint64 monotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

double SoundVerdict::seconds() const { return double(frames) / protocol::Frequency; }

std::optional<double> SoundVerdict::firstSoundSeconds() const
{
    if (firstSoundFrame < 0)
        return std::nullopt;
    return double(firstSoundFrame) / protocol::Frequency;
}

QString describeVerdict(const SoundVerdict& verdict)
{
    switch (verdict.kind) {
    case SoundVerdict::Kind::Playable: return {};
    case SoundVerdict::Kind::Missing: return AudioText::tr("does not exist");
    case SoundVerdict::Kind::NotAFile: return AudioText::tr("is not a file");
    case SoundVerdict::Kind::Unreadable: return AudioText::tr("cannot be read");
    case SoundVerdict::Kind::Empty: return AudioText::tr("is empty");
    case SoundVerdict::Kind::NotASound:
        return AudioText::tr("is not an MP3, WAV, Ogg or FLAC sound, or its header is damaged");
    case SoundVerdict::Kind::Refused:
        if (verdict.refusal.isEmpty())
            return AudioText::tr("cannot be decoded as a sound");
        return AudioText::tr("cannot be decoded as a sound (%1)").arg(verdict.refusal);
    case SoundVerdict::Kind::TooLong:
        return AudioText::tr("plays for more than %n hour(s)", nullptr, protocol::MaxSeconds / 3600);
    case SoundVerdict::Kind::Crashed:
        if (verdict.signal == SIGXCPU)
            return AudioText::tr("is damaged: decoding it used up its processor time");
        if (verdict.signal == 0)
            return AudioText::tr("is damaged: its decoder failed");
        return AudioText::tr("is damaged: decoding it crashed (%1)")
            .arg(QString::fromLocal8Bit(::strsignal(verdict.signal)));
    case SoundVerdict::Kind::TimedOut: return AudioText::tr("is damaged: decoding it did not end in time");
    case SoundVerdict::Kind::Unavailable:
        return AudioText::tr("could not be decoded: the program keysound-decoder cannot be run");
    }
    return {};
}

PcmStream::PcmStream(int readEnd, qint64 frames, platform::ChildProcess process)
    : readEnd(readEnd)
    , frames(frames)
    , process(std::move(process))
{}

PcmStream::~PcmStream() { ::close(readEnd); }

// One decoder process at work on one whole file.
class SoundDecoder::Run {
public:
    Run(platform::ChildProcess child, int socket, int memoryFile, quint32 id, qint64 fileBytes, qint64 heldFrames)
        : deadline(protocol::decodeTimeLimitMs(fileBytes))
        , timeLimitMs_(protocol::decodeTimeLimitMs(fileBytes))
        , heldFrames_(heldFrames)
        , child_(std::move(child))
        , socket_(socket)
        , memoryFile_(memoryFile)
        , id_(id)
    {}
    ~Run()
    {
        ::close(socket_);
        if (memoryFile_ >= 0)
            ::close(memoryFile_);
    }

    // Reads what the decoder has said; true once it has ended, or was killed when its time was up.
    bool advance()
    {
        for (;;) {
            protocol::Reply reply;
            const ssize_t n = ::recv(socket_, &reply, sizeof reply, MSG_DONTWAIT);
            if (n == ssize_t(sizeof reply) && !reply_ && reply.id == id_) {
                reply_ = reply;
                continue;
            }
            if (n > 0) {  // a second reply, or one of the wrong size: no decoder of ours says that
                malformed_ = true;
                continue;
            }
            if (n == 0 || (errno != EAGAIN && errno != EINTR))
                return true;
            if (errno == EINTR)
                continue;
            if (!deadline.hasExpired() || !outOfTime())
                return false;
            timedOut_ = true;
            return true;
        }
    }

    DecodedSound result()
    {
        const platform::ChildEnd end = timedOut_ ? child_.kill() : child_.wait();
        DecodedSound sound;
        if (timedOut_)
            sound.verdict.kind = SoundVerdict::Kind::TimedOut;
        else if (end.signal != 0) {
            sound.verdict.kind = SoundVerdict::Kind::Crashed;
            sound.verdict.signal = end.signal;
        } else if (!reply_ && !malformed_)
            sound.verdict.kind = SoundVerdict::Kind::Unavailable;  // it never took the work
        else if (!end.succeeded() || malformed_ || !plausible(*reply_))
            sound.verdict.kind = SoundVerdict::Kind::Crashed;
        else
            sound = fromReply(*reply_);
        return sound;
    }

    QDeadlineTimer deadline;
    std::unique_ptr<QSocketNotifier> notifier;
    std::unique_ptr<QTimer> timer;
    Done done;

    int socket() const { return socket_; }
    void lowerPriority() { child_.lowerPriority(); }

private:
    // The limit is on the decoder's own processor time, which a busy machine does not stretch; only a
    // decoder that waits instead of working is stopped by the clock, once it has had its time many times over.
    bool outOfTime()
    {
        const qint64 usedMs = child_.processorMilliseconds();
        const bool waitedTooLong = started_.hasExpired(qint64(timeLimitMs_) * IdleDecoderTimes);
        if (usedMs < 0 || usedMs >= timeLimitMs_ || waitedTooLong)
            return true;
        deadline.setRemainingTime(timeLimitMs_ - usedMs);
        return false;
    }

    bool plausible(const protocol::Reply& reply) const
    {
        return reply.frames >= 0 && reply.frames <= protocol::MaxFrames && reply.keptFrames >= 0 &&
               reply.keptFrames <= std::min<qint64>(reply.frames, heldFrames_) && reply.peak >= 0 && reply.peak <= 32767 &&
               reply.firstSoundFrame >= -1 && reply.firstSoundFrame < std::max<qint64>(reply.frames, 1);
    }

    DecodedSound fromReply(const protocol::Reply& reply)
    {
        DecodedSound sound;
        SoundVerdict& verdict = sound.verdict;
        switch (reply.outcome) {
        case protocol::Outcome::Decoded:
        case protocol::Outcome::LongerThanKept: verdict.kind = SoundVerdict::Kind::Playable; break;
        case protocol::Outcome::NotASound: verdict.kind = SoundVerdict::Kind::NotASound; break;
        case protocol::Outcome::Refused: verdict.kind = SoundVerdict::Kind::Refused; break;
        case protocol::Outcome::TooLong: verdict.kind = SoundVerdict::Kind::TooLong; break;
        default: verdict.kind = SoundVerdict::Kind::Crashed; return sound;
        }
        verdict.refusal = QString::fromUtf8(reply.refusal, qsizetype(strnlen(reply.refusal, sizeof reply.refusal)));
        verdict.frames = reply.frames;
        verdict.peak = reply.peak;
        verdict.firstSoundFrame = reply.firstSoundFrame;
        const bool whole = reply.outcome == protocol::Outcome::Decoded;
        sound.streamFrames = whole ? reply.frames : protocol::MaxFrames;
        if (whole && reply.keptFrames == reply.frames) {
            sound.pcm = Pcm::adopt(std::exchange(memoryFile_, -1), reply.frames, heldFrames_);
            if (!sound.pcm)
                verdict.kind = SoundVerdict::Kind::Crashed;  // it said one thing and wrote another
        }
        return sound;
    }

    const int timeLimitMs_;
    const qint64 heldFrames_;
    QElapsedTimer started_ = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    platform::ChildProcess child_;
    int socket_;
    int memoryFile_;
    quint32 id_;
    std::optional<protocol::Reply> reply_;
    bool malformed_ = false;
    bool timedOut_ = false;
};

QString SoundDecoder::executable() { return platform::helperExecutable(QStringLiteral("keysound-decoder")); }

SoundDecoder::SoundDecoder(qint64 heldBytesPerSound)
    : heldFrames_(heldBytesPerSound / protocol::BytesPerFrame)
{}

// Nobody is told of decodes left unfinished: their askers may be going too.
SoundDecoder::~SoundDecoder()
{
    running_.clear();
    if (spareSocket_ >= 0)
        ::close(spareSocket_);
}

void SoundDecoder::prepare()
{
    if (spare_ || (lastFailedStartMs_ >= 0 && monotonicMs() - lastFailedStartMs_ < RestartAfterMs))
        return;
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
        return;
    try {
        platform::ChildSetup setup;
        setup.executable = executable();
        setup.limits = decoderLimits(heldFrames_);
        setup.passedDescriptors = {pair[1]};
        spare_ = platform::ChildProcess::start(setup);
        spareSocket_ = pair[0];
    } catch (const Error&) {
        ::close(pair[0]);
        lastFailedStartMs_ = monotonicMs();
    }
    ::close(pair[1]);
}

std::unique_ptr<SoundDecoder::Run> SoundDecoder::startRun(const std::shared_ptr<SoundFile>& file, bool countToEnd)
{
    prepare();
    const int memoryFile = ::memfd_create("keysound-pcm", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (!spare_ || memoryFile < 0) {
        if (memoryFile >= 0)
            ::close(memoryFile);
        return nullptr;
    }
    const protocol::Request request{nextId_++, protocol::Mode::Whole, heldFrames_, countToEnd};
    const bool sent = protocol::sendRequest(spareSocket_, request, file->descriptor(), memoryFile);
    auto run = std::make_unique<Run>(*std::exchange(spare_, std::nullopt), std::exchange(spareSocket_, -1),
                                     memoryFile, request.id, file->size(), heldFrames_);
    if (!sent)
        return nullptr;
    prepare();  // the next decode finds its process ready
    return run;
}

void SoundDecoder::decode(const std::shared_ptr<SoundFile>& file, bool nobodyWaits, Done done)
{
    std::unique_ptr<Run> run = startRun(file, false);
    if (!run) {
        done(DecodedSound{});
        return;
    }
    Run* started = run.get();
    started->done = std::move(done);
    started->notifier = std::make_unique<QSocketNotifier>(started->socket(), QSocketNotifier::Read);
    QObject::connect(started->notifier.get(), &QSocketNotifier::activated, started->notifier.get(),
                     [this, started] { finish(started); });
    started->timer = std::make_unique<QTimer>();
    started->timer->setSingleShot(true);
    started->timer->callOnTimeout([this, started] { finish(started); });
    started->timer->start(int(started->deadline.remainingTime()) + 1);
    if (nobodyWaits)
        started->lowerPriority();
    running_.push_back(std::move(run));
}

void SoundDecoder::finish(Run* run)
{
    if (!run->advance()) {
        run->timer->start(int(std::max<qint64>(run->deadline.remainingTime(), 0)) + 1);
        return;
    }
    const auto it = std::find_if(running_.begin(), running_.end(), [run](const auto& r) { return r.get() == run; });
    std::unique_ptr<Run> ended = std::move(*it);
    running_.erase(it);
    ended->notifier->setEnabled(false);
    ended->notifier.release()->deleteLater();  // this may run inside its own signal
    ended->done(ended->result());
}

DecodedSound SoundDecoder::decodeNow(const std::shared_ptr<SoundFile>& file)
{
    std::unique_ptr<Run> run = startRun(file, true);
    if (!run)
        return {};
    while (!run->advance()) {
        pollfd ready{run->socket(), POLLIN, 0};
        ::poll(&ready, 1, int(std::max<qint64>(run->deadline.remainingTime(), 0)) + 1);
    }
    return run->result();
}

DecodedSound SoundDecoder::decodeNow(const QString& nativePath)
{
    SoundFile::Refusal refusal = SoundFile::Refusal::Missing;
    const std::shared_ptr<SoundFile> file = SoundFile::open(nativePath, &refusal);
    if (file && file->size() > 0 && readSoundLayout(*file))
        return decodeNow(file);
    DecodedSound sound;
    if (file)
        sound.verdict.kind = file->size() > 0 ? SoundVerdict::Kind::NotASound : SoundVerdict::Kind::Empty;
    else if (refusal == SoundFile::Refusal::Missing)
        sound.verdict.kind = SoundVerdict::Kind::Missing;
    else if (refusal == SoundFile::Refusal::NotAFile)
        sound.verdict.kind = SoundVerdict::Kind::NotAFile;
    else
        sound.verdict.kind = SoundVerdict::Kind::Unreadable;
    return sound;
}

SoundVerdict SoundDecoder::verdictNow(const QString& nativePath)
{
    const std::optional<platform::FileIdentity> identity = platform::identityOf(nativePath);
    if (identity && verdicts_.contains(*identity))
        return verdicts_.value(*identity);
    const SoundVerdict verdict = decodeNow(nativePath).verdict;
    if (identity && verdict.isAboutTheFile() && verdict.kind != SoundVerdict::Kind::Missing) {
        if (verdicts_.size() >= KeptVerdicts)
            verdicts_.clear();
        verdicts_.insert(*identity, verdict);
    }
    return verdict;
}

std::optional<QString> SoundDecoder::problemWith(const QString& nativePath)
{
    const SoundVerdict verdict = verdictNow(nativePath);
    if (verdict.isPlayable())
        return std::nullopt;
    return describeVerdict(verdict);
}

std::unique_ptr<PcmStream> SoundDecoder::stream(const std::shared_ptr<SoundFile>& file, qint64 frames)
{
    prepare();
    int pipe[2];
    if (!spare_ || ::pipe2(pipe, O_CLOEXEC) != 0)
        return nullptr;
    ::fcntl(pipe[1], F_SETPIPE_SZ, StreamPipeBytes);
    ::fcntl(pipe[0], F_SETFL, O_NONBLOCK);
    const protocol::Request request{nextId_++, protocol::Mode::Stream, 0};
    const bool sent = protocol::sendRequest(spareSocket_, request, file->descriptor(), pipe[1]);
    ::close(pipe[1]);
    ::close(std::exchange(spareSocket_, -1));  // a stream's end is the end of its pipe
    auto stream = std::make_unique<PcmStream>(pipe[0], frames, *std::exchange(spare_, std::nullopt));
    if (!sent)
        return nullptr;
    prepare();
    return stream;
}

}  // namespace keysound::audio
