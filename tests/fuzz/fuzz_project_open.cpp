// Damaged project files: a real project with the fuzzer's truncation and byte flips,
// opened by the data module. It is refused or opened, never a crash or a hang.
#include "tests/fuzz/FuzzInput.h"

#include "storage/StorageError.h"
#include "storage/TMainDataModule.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

QByteArray pristine;
QString damagedPath;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
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
    TMainDataModule dm;
    try {
        if (dm.OpenDatabase(damagedPath))
            dm.CloseDatabase();
    } catch (const StorageError&) {
    }
    QFile::remove(damagedPath);
    return 0;
}
