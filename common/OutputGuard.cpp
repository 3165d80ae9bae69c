#include "common/OutputGuard.h"

#include "common/FileIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>

namespace OutputGuard {

namespace {

constexpr qsizetype HeaderBytes = 20;

quint16 littleEndian16(const QByteArray& bytes, qsizetype at)
{
    const auto low = static_cast<quint8>(bytes[at]);
    const auto high = static_cast<quint8>(bytes[at + 1]);
    return static_cast<quint16>(low | high << 8);
}

} // namespace

bool isDatabaseHeader(const QByteArray& bytes)
{
    // The header page: page type 1, then the page size and the on-disk structure version, whose
    // high bit marks a Firebird database. The engine writes it in the machine's byte order.
    if (bytes.size() < HeaderBytes || bytes[0] != 1)
        return false;
    const quint16 pageSize = littleEndian16(bytes, 16);
    const quint16 version = littleEndian16(bytes, 18);
    static constexpr std::array<quint16, 6> pageSizes{1024, 2048, 4096, 8192, 16384, 32768};
    return std::find(pageSizes.begin(), pageSizes.end(), pageSize) != pageSizes.end() &&
           (version & 0x8000) != 0;
}

bool wouldDestroyProject(const QString& path, const QString& project)
{
    if (!project.isEmpty()) {
        const FileIdentity target = FileIdentity::of(path);
        if (target.valid && target == FileIdentity::of(project))
            return true;
    }
    // Devices and pipes are written in place and never hold a project; a read from one could
    // block or take what another reader waits for.
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return isDatabaseHeader(file.read(HeaderBytes));
}

QString refusal(const QString& path)
{
    return QStringLiteral("Файл «%1» — проект; он не будет перезаписан.")
        .arg(QDir::toNativeSeparators(path));
}

} // namespace OutputGuard
