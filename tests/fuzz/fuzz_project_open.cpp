// Damaged project files: a real project with the fuzzer's truncation and byte flips, opened
// by the data module. It is refused or opened, never a crash, a leak or a hang.
//
// The engine is not memory-safe on every damaged file. Some damage to its own catalogue makes
// it read or write out of bounds; whether that crashes depends on the memory layout (the
// length of the file's path, the binary, the allocator), so the probe child that guards the
// program catches it only where the child crashes too. What one file leaves behind in the
// engine's memory may also show only at a later attach, as a finding no single input
// reproduces. So the target opens each input in one of two ways:
//
// - By default, in a fresh copy of this program, as a user opens a file: the corpus test, a
//   single input given on the command line, and the second look at a finding.
// - With VORN_FUZZ_IN_PROCESS set, in this process, so that libFuzzer sees the coverage of the
//   open and of the probe's reads, which run here too: the probe child costs a process start
//   and an engine start per input, and this process is one already. scripts/fuzz.sh runs it
//   so under -fork, where a crash or a hang ends only one job: a crash inside the engine is
//   counted and its input kept in VORN_FUZZ_ENGINE_CRASHES; any other finding is run again
//   alone in a fresh process, and fails the run if it is found there too.
//
// A crash inside the engine is reported, not failed; nothing of ours can make it
// deterministic. Crashes in our code, leaks, sanitizer reports and hangs fail.
#include "tests/fuzz/FuzzInput.h"

#include "storage/ProjectProbe.h"
#include "storage/StorageError.h"
#include "storage/TMainDataModule.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dlfcn.h>
#include <fcntl.h>
#include <ucontext.h>
#include <unistd.h>

namespace {

constexpr const char* OpenVariable = "VORN_FUZZ_OPEN";
constexpr const char* InProcessVariable = "VORN_FUZZ_IN_PROCESS";
// One pristine project for every process of a run, so that an input means the same file in
// each fork job and when a finding is run again.
constexpr const char* PristineVariable = "VORN_FUZZ_PRISTINE";
constexpr const char* EngineCrashesVariable = "VORN_FUZZ_ENGINE_CRASHES";

constexpr int EngineCrashed = 86;

QByteArray pristine;
QString damagedPath;
bool inProcess = false;
struct sigaction sanitizerSegv;

// What the signal handler may touch: no allocation, no locks.
const uint8_t* currentInput = nullptr;
std::size_t currentSize = 0;
char engineCrashPath[4096] = {};

void writeAll(int fd, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written <= 0)
            return;
        bytes += written;
        size -= std::size_t(written);
    }
}

void keepEngineCrash()
{
    static constexpr char note[] = "ERROR: SEGV inside the engine (libEngine12), tolerated\n";
    writeAll(STDERR_FILENO, note, sizeof note - 1);
    if (!engineCrashPath[0] || !currentInput)
        return;
    const int fd = ::open(engineCrashPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    writeAll(fd, currentInput, currentSize);
    ::close(fd);
}

bool inEngine(void* context)
{
#if defined(__x86_64__)
    const auto* machine = static_cast<const ucontext_t*>(context);
    Dl_info where{};
    return dladdr(reinterpret_cast<void*>(machine->uc_mcontext.gregs[REG_RIP]), &where) &&
           where.dli_fname && std::strstr(where.dli_fname, "libEngine12");
#else
    (void)context;
    return false;
#endif
}

void onSegv(int signal, siginfo_t* info, void* context)
{
    if (inEngine(context)) {
        if (inProcess)
            keepEngineCrash();
        _exit(EngineCrashed);
    }
    if ((sanitizerSegv.sa_flags & SA_SIGINFO) && sanitizerSegv.sa_sigaction) {
        sanitizerSegv.sa_sigaction(signal, info, context);
        return;
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void exitOnEngineCrash()
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_sigaction = onSegv;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    sigaction(SIGSEGV, &action, &sanitizerSegv);
}

int openProject(const QString& path)
{
    TMainDataModule dm;
    try {
        if (dm.OpenDatabase(path))
            dm.CloseDatabase();
    } catch (const StorageError&) {
    }
    return 0;
}

QByteArray readPristine(const QString& path)
{
    QFile file(path);
    if (!file.exists()) {
        TMainDataModule dm;
        if (!dm.CreateDatabase(path))
            std::abort();
    }
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    return file.readAll();
}

void openInChild()
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(OpenVariable), damagedPath);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {});
    // No time limit of its own: libFuzzer's -timeout reports a hang.
    if (!child.waitForStarted(-1) || !child.waitForFinished(-1) ||
        child.exitStatus() != QProcess::NormalExit)
        std::abort();
    if (child.exitCode() == EngineCrashed)
        std::fprintf(stderr, "the engine crashed on an input the probe passed\n");
    else if (child.exitCode() != 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    if (const char* path = std::getenv(OpenVariable); path && *path) {
        static QCoreApplication app(*argc, *argv);
        exitOnEngineCrash();
        // exit, not _Exit: the leak check runs at the end of the open's own process.
        std::exit(openProject(QString::fromUtf8(path)));
    }
    static QTemporaryDir dir;
    setenv("FIREBIRD_LOCK", qPrintable(dir.filePath(QStringLiteral("lock"))), 0);
    static QCoreApplication app(*argc, *argv);
    const char* shared = std::getenv(PristineVariable);
    pristine = readPristine(shared && *shared ? QString::fromUtf8(shared)
                                              : dir.filePath(QStringLiteral("pristine.fdb")));
    damagedPath = dir.filePath(QStringLiteral("damaged.fdb"));
    const char* flag = std::getenv(InProcessVariable);
    inProcess = flag && *flag && std::strcmp(flag, "0") != 0;
    if (inProcess) {
        if (const char* kept = std::getenv(EngineCrashesVariable); kept && *kept)
            std::snprintf(engineCrashPath, sizeof engineCrashPath, "%s/engine-crash-%ld", kept,
                          long(getpid()));
        ProjectProbe::setInThisProcess(true);
        exitOnEngineCrash();
    }
    return 0;
}

// Input: a 32-bit length to cut the file to (kept when it is not shorter), then pairs of a
// 32-bit offset and a byte that is XORed in there.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    QByteArray bytes = pristine;
    const uint32_t cut = input.value<uint32_t>();
    if (cut < uint32_t(bytes.size()))
        bytes.truncate(qsizetype(cut));
    while (input.remaining() >= 5 && !bytes.isEmpty()) {
        const uint32_t offset = input.value<uint32_t>() % uint32_t(bytes.size());
        bytes[offset] = char(bytes[offset] ^ input.byte());
    }
    {
        QFile file(damagedPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size())
            std::abort();
    }
    if (inProcess) {
        currentInput = data;
        currentSize = size;
        openProject(damagedPath);
        currentInput = nullptr;
    } else {
        openInChild();
    }
    QFile::remove(damagedPath);
    return 0;
}
