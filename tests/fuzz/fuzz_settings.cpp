// Settings files of arbitrary bytes: loading never fails, the integer rule holds, and what
// was loaded survives a save and a reload unchanged.
#include "tests/fuzz/FuzzInput.h"

#include "app/SettingsFile.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <exception>
#include <limits>
#include <optional>

namespace {

// The rule written out independently of the reader: decimal with an optional sign, or
// hexadecimal after "$", "0x" or "0X"; eight hex digits wrap into the sign bit.
std::optional<int32_t> referenceInteger(const QByteArray& raw)
{
    const QByteArray t = raw.trimmed();
    auto digitsFrom = [&](qsizetype from, int base) -> std::optional<uint64_t> {
        if (from >= t.size())
            return std::nullopt;
        uint64_t value = 0;
        for (qsizetype i = from; i < t.size(); ++i) {
            bool ok = false;
            const int digit = QByteArray(1, t[i]).toInt(&ok, base);
            if (!ok || digit < 0)
                return std::nullopt;
            value = value * uint64_t(base) + uint64_t(digit);
            if (value > (uint64_t(1) << 33))
                return std::nullopt;
        }
        return value;
    };
    if (t.startsWith('$') || t.startsWith("0x") || t.startsWith("0X")) {
        const auto value = digitsFrom(t.startsWith('$') ? 1 : 2, 16);
        if (!value || *value > std::numeric_limits<uint32_t>::max())
            return std::nullopt;
        return static_cast<int32_t>(static_cast<uint32_t>(*value));
    }
    const bool signed_ = t.startsWith('-') || t.startsWith('+');
    const auto value = digitsFrom(signed_ ? 1 : 0, 10);
    if (!value)
        return std::nullopt;
    const int64_t v = t.startsWith('-') ? -int64_t(*value) : int64_t(*value);
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(v);
}

bool storable(const QString& text)
{
    return !text.contains(u'\r') && !text.contains(u'\n');
}

void checkSurvives(const VornSettings& loaded, const VornSettings& again)
{
    FUZZ_CHECK(again.ProjectName ==
               (storable(loaded.ProjectName) ? loaded.ProjectName : QString()));
    FUZZ_CHECK(again.ProjectPath ==
               (storable(loaded.ProjectPath) ? loaded.ProjectPath : QString()));
    FUZZ_CHECK(again.InkColor == loaded.InkColor);
    FUZZ_CHECK(again.BackgroundColor == loaded.BackgroundColor);
    FUZZ_CHECK(again.Measurand == loaded.Measurand);
    FUZZ_CHECK(again.LoadUnit == loaded.LoadUnit);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    const int32_t fallback = 0x5eed;
    const std::optional<int32_t> expected = referenceInteger(bytes.left(64));
    FUZZ_CHECK(SettingsFile::parseInteger(bytes.left(64), fallback) == expected.value_or(fallback));

    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vorn.ini"));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }
    const SettingsFile settings(path);
    const VornSettings loaded = settings.load();
    try {
        settings.save(loaded);
    } catch (const std::exception&) {
        FUZZ_CHECK(false);
    }
    const VornSettings reloaded = settings.load();
    checkSurvives(loaded, reloaded);
    settings.save(reloaded);
    checkSurvives(reloaded, settings.load());
    return 0;
}
