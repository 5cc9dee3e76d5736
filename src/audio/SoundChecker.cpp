#include "audio/SoundChecker.h"

#include "audio/SoundCheckProtocol.h"
#include "platform/InstallLayout.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace keysound::audio {

namespace protocol = checkprotocol;

namespace {

constexpr int RestartAfterMs = 1000;      // a checking process that cannot start is not tried at every key
constexpr qsizetype KeptVerdicts = 4096;  // far more sounds than a table has

// The translation context of the verdicts.
class SoundCheckerText {
    Q_DECLARE_TR_FUNCTIONS(SoundChecker)
};

SoundVerdict verdictOf(const protocol::Reply& reply, const SoundLayout& layout)
{
    SoundVerdict verdict;
    switch (reply.outcome) {
    case protocol::Outcome::Played: verdict.kind = SoundVerdict::Kind::Playable; break;
    case protocol::Outcome::NotASound: verdict.kind = SoundVerdict::Kind::NotASound; break;
    case protocol::Outcome::Refused: verdict.kind = SoundVerdict::Kind::Refused; break;
    case protocol::Outcome::TooLong: verdict.kind = SoundVerdict::Kind::TooLong; break;
    case protocol::Outcome::TimedOut: verdict.kind = SoundVerdict::Kind::TimedOut; break;
    default: verdict.kind = SoundVerdict::Kind::Crashed; break;
    }
    if (verdict.isPlayable())
        verdict.layout = layout;
    verdict.signal = reply.signal;
    verdict.refusal = QString::fromUtf8(reply.refusal, qsizetype(strnlen(reply.refusal, sizeof reply.refusal)));
    verdict.frames = reply.frames;
    verdict.frequency = reply.frequency;
    verdict.peak = reply.peak;
    verdict.firstSoundFrame = reply.firstSoundFrame;
    return verdict;
}

SoundVerdict unavailable() { return {}; }

// posix_spawn starts it without copying this process's memory, whatever its size, and without
// running anything of ours in between. The process ends itself once this one is gone.
pid_t spawnServer(const QByteArray& executable, int socket)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, socket, protocol::SocketDescriptor);  // clears close-on-exec
    for (int standard = 0; standard < 3; ++standard)  // the decoders' notes are of no use to anyone
        posix_spawn_file_actions_addopen(&actions, standard, "/dev/null", standard == 0 ? O_RDONLY : O_WRONLY, 0);
    char* const argv[] = {const_cast<char*>(executable.constData()), nullptr};
    pid_t pid = -1;
    const int failed = ::posix_spawn(&pid, executable.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

}  // namespace

double SoundVerdict::seconds() const { return frequency > 0 ? double(frames) / frequency : 0.0; }

std::optional<double> SoundVerdict::firstSoundSeconds() const
{
    if (firstSoundFrame < 0 || frequency <= 0)
        return std::nullopt;
    return double(firstSoundFrame) / frequency;
}

QString describeVerdict(const SoundVerdict& verdict)
{
    switch (verdict.kind) {
    case SoundVerdict::Kind::Playable: return {};
    case SoundVerdict::Kind::Missing: return SoundCheckerText::tr("does not exist");
    case SoundVerdict::Kind::NotAFile: return SoundCheckerText::tr("is not a file");
    case SoundVerdict::Kind::Unreadable: return SoundCheckerText::tr("cannot be read");
    case SoundVerdict::Kind::Empty: return SoundCheckerText::tr("is empty");
    case SoundVerdict::Kind::NotASound:
        return SoundCheckerText::tr("is not an MP3, WAV, Ogg or FLAC sound, or its header is damaged");
    case SoundVerdict::Kind::Refused:
        if (verdict.refusal.isEmpty())
            return SoundCheckerText::tr("cannot be decoded as a sound");
        return SoundCheckerText::tr("cannot be decoded as a sound (%1)").arg(verdict.refusal);
    case SoundVerdict::Kind::TooLong:
        return SoundCheckerText::tr("plays for more than %n minute(s)", nullptr, protocol::MaxTrialSeconds / 60);
    case SoundVerdict::Kind::Crashed:
        if (verdict.signal == SIGXCPU)
            return SoundCheckerText::tr("is damaged: decoding it used up its processor time");
        return SoundCheckerText::tr("is damaged: decoding it crashed (%1)")
            .arg(QString::fromLocal8Bit(::strsignal(verdict.signal)));
    case SoundVerdict::Kind::TimedOut: return SoundCheckerText::tr("is damaged: decoding it did not end in time");
    case SoundVerdict::Kind::Unavailable:
        return SoundCheckerText::tr("could not be checked: the program keysound-sound-checker cannot be run");
    }
    return {};
}

QString SoundChecker::executable() { return platform::helperExecutable(QStringLiteral("keysound-sound-checker")); }

SoundChecker::SoundChecker() = default;

// Nobody is told of checks left unfinished: their askers may be going too.
SoundChecker::~SoundChecker()
{
    pending_.clear();
    stopServer();
}

std::optional<SoundVerdict> SoundChecker::knownVerdict(const SoundFile& file)
{
    const auto kept = verdicts_.constFind(file.identity());
    if (kept != verdicts_.constEnd())
        return *kept;
    if (readSoundLayout(file))
        return std::nullopt;
    SoundVerdict notASound;
    notASound.kind = SoundVerdict::Kind::NotASound;
    keep(file.identity(), notASound);
    return notASound;
}

void SoundChecker::prepare() { startServer(); }

void SoundChecker::requestVerdict(const std::shared_ptr<SoundFile>& file, const TrialOutput& output,
                                  std::function<void()> checked)
{
    for (Pending& pending : pending_) {
        if (pending.identity == file->identity()) {
            pending.checked.push_back(std::move(checked));
            return;
        }
    }
    const std::optional<SoundLayout> layout = readSoundLayout(*file);
    const protocol::Request request{nextId_++, output.frequency, output.channels,
                                    protocol::trialTimeLimitMs(file->size())};
    if (!layout || !startServer()) {
        checked();
        return;
    }
    if (!protocol::sendRequest(socket_, request, file->descriptor())) {
        stopServer();
        checked();
        return;
    }
    pending_.insert(request.id, Pending{file->identity(), *layout, {std::move(checked)}});
}

SoundVerdict SoundChecker::verdictNow(const std::shared_ptr<SoundFile>& file, const TrialOutput& output)
{
    if (const std::optional<SoundVerdict> known = knownVerdict(*file))
        return *known;
    requestVerdict(file, output, [] {});
    QDeadlineTimer deadline(protocol::trialTimeLimitMs(file->size()) + 5000);  // the process's own limit, and more
    while (socket_ >= 0 && !verdicts_.contains(file->identity()) && !deadline.hasExpired()) {
        pollfd ready{socket_, POLLIN, 0};
        if (::poll(&ready, 1, int(deadline.remainingTime())) > 0 && !readOneReply())
            stopServer();
    }
    return verdicts_.value(file->identity(), unavailable());
}

SoundVerdict SoundChecker::verdictNow(const QString& nativePath)
{
    SoundFile::Refusal refusal = SoundFile::Refusal::Missing;
    const std::shared_ptr<SoundFile> file = SoundFile::open(nativePath, &refusal);
    SoundVerdict verdict;
    if (file && file->size() > 0)
        return verdictNow(file);
    if (file)
        verdict.kind = SoundVerdict::Kind::Empty;
    else if (refusal == SoundFile::Refusal::Missing)
        verdict.kind = SoundVerdict::Kind::Missing;
    else if (refusal == SoundFile::Refusal::NotAFile)
        verdict.kind = SoundVerdict::Kind::NotAFile;
    else
        verdict.kind = SoundVerdict::Kind::Unreadable;
    return verdict;
}

std::optional<QString> SoundChecker::problemWith(const QString& nativePath)
{
    const SoundVerdict verdict = verdictNow(nativePath);
    if (verdict.isPlayable())
        return std::nullopt;
    return describeVerdict(verdict);
}

bool SoundChecker::startServer()
{
    if (socket_ >= 0)
        return true;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (lastStartMs_ >= 0 && now - lastStartMs_ < RestartAfterMs)
        return false;
    lastStartMs_ = now;
    const QByteArray path = QFile::encodeName(executable());
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
        return false;
    const pid_t pid = spawnServer(path, pair[1]);
    ::close(pair[1]);
    if (pid < 0) {
        ::close(pair[0]);
        return false;
    }
    socket_ = pair[0];
    server_ = pid;
    notifier_ = std::make_unique<QSocketNotifier>(socket_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { readReplies(); });
    return true;
}

// Whatever was still being checked stays unknown: the key that waited for it is not played.
void SoundChecker::stopServer()
{
    if (socket_ < 0)
        return;
    notifier_->setEnabled(false);
    notifier_.release()->deleteLater();  // this may run inside its own signal
    ::close(std::exchange(socket_, -1));
    ::kill(server_, SIGKILL);
    while (::waitpid(server_, nullptr, 0) < 0 && errno == EINTR) {
    }
    server_ = -1;
    const QList<quint32> ids = pending_.keys();
    for (const quint32 id : ids)
        settle(id, unavailable());
}

void SoundChecker::readReplies()
{
    pollfd ready{socket_, POLLIN, 0};
    while (socket_ >= 0 && ::poll(&ready, 1, 0) > 0) {
        if (!readOneReply())
            stopServer();
    }
}

bool SoundChecker::readOneReply()
{
    protocol::Reply reply;
    if (!protocol::receiveReply(socket_, reply))
        return false;
    const auto pending = pending_.constFind(reply.id);
    if (pending != pending_.constEnd())
        settle(reply.id, verdictOf(reply, pending->layout));
    return true;
}

void SoundChecker::keep(const FileIdentity& identity, const SoundVerdict& verdict)
{
    if (verdicts_.size() >= KeptVerdicts)
        verdicts_.clear();
    verdicts_.insert(identity, verdict);
}

void SoundChecker::settle(quint32 id, const SoundVerdict& verdict)
{
    Pending pending = pending_.take(id);
    if (verdict.kind != SoundVerdict::Kind::Unavailable)
        keep(pending.identity, verdict);
    for (const std::function<void()>& checked : pending.checked)
        checked();
}

}  // namespace keysound::audio
