// Damaged project files: a real project with the fuzzer's truncation and byte flips, opened
// by the data module. It is refused or opened, never a crash, a leak or a hang.
//
// Each input is opened by a fresh copy of this program, as a user opens a file. The engine is
// not memory-safe on every damaged file: what one leaves behind in its memory may show only at
// a later attach, and in one process that has opened thousands of them it makes findings that
// no single input reproduces.
//
// A crash inside the engine itself is reported, not failed. Some damage to the engine's own
// catalogue makes it read or write out of bounds; whether that crashes depends on the memory
// layout (the length of the file's path, the binary, the allocator), so the probe child that
// guards the program catches it only where the child crashes too. No single input reproduces
// it, and nothing of ours can make it deterministic. Crashes in our code, leaks, sanitizer
// reports and hangs fail.
#include "tests/fuzz/FuzzInput.h"

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
#include <ucontext.h>
#include <unistd.h>

namespace {

constexpr const char* OpenVariable = "VORN_FUZZ_OPEN";

constexpr int EngineCrashed = 86;

QByteArray pristine;
QString damagedPath;
struct sigaction sanitizerSegv;

void onSegv(int signal, siginfo_t* info, void* context)
{
#if defined(__x86_64__)
    const auto* machine = static_cast<const ucontext_t*>(context);
    Dl_info where{};
    if (dladdr(reinterpret_cast<void*>(machine->uc_mcontext.gregs[REG_RIP]), &where) &&
        where.dli_fname && std::strstr(where.dli_fname, "libEngine12"))
        _exit(EngineCrashed);
#endif
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
    const QString path = dir.filePath(QStringLiteral("pristine.fdb"));
    {
        TMainDataModule dm;
        if (!dm.CreateDatabase(path))
            std::abort();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    pristine = file.readAll();
    damagedPath = dir.filePath(QStringLiteral("damaged.fdb"));
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
    QFile::remove(damagedPath);
    return 0;
}
