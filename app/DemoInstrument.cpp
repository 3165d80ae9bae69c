#include "DemoInstrument.h"

#include "OleDate.h"
#include "SimulatedInstrument.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <chrono>

namespace {

constexpr int ScreenWidth = 98;
constexpr int ScreenHeight = 64;
constexpr int DiameterCount = 12;
constexpr int Diameters[DiameterCount] = {8, 10, 12, 14, 16, 18, 20, 22, 25, 28, 32, 40};

// The instrument's screen sends columns of 8 pixels: byte k is column k mod 98 of the
// band k div 98, bit 0 at the top.
TScreenPicture packScreen(const QImage& image)
{
    TScreenPicture picture{};
    for (int k = 0; k < int(picture.size()); ++k) {
        const int column = k % ScreenWidth;
        const int band = k / ScreenWidth;
        uint8_t byte = 0;
        for (int b = 0; b < 8; ++b) {
            if (qGray(image.pixel(column, band * 8 + b)) < 128)
                byte |= uint8_t(1u << b);
        }
        picture[size_t(k)] = byte;
    }
    return picture;
}

TScreenPicture measurementScreen()
{
    QImage image(ScreenWidth, ScreenHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(9);
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(2, 9, QStringLiteral("№ 118   12.11.26"));
    painter.drawLine(0, 12, ScreenWidth - 1, 12);
    painter.drawText(2, 23, QStringLiteral("Стерж.  d=20"));
    QFont big = font;
    big.setPixelSize(16);
    big.setBold(true);
    painter.setFont(big);
    painter.drawText(2, 42, QStringLiteral("F=2405"));
    painter.setFont(font);
    painter.drawText(70, 42, QStringLiteral("кгс"));
    painter.drawLine(0, 47, ScreenWidth - 1, 47);
    painter.drawText(2, 60, QStringLiteral("P=7.0  Δ=0.12"));
    painter.end();
    return packScreen(image);
}

} // namespace

TArrayOfMsrResult demoResults()
{
    TArrayOfMsrResult results;
    uint32_t number = 1;
    for (int day = 0; day < 5; ++day) {
        for (int i = 0; i < 24; ++i, ++number) {
            TMsrResult r;
            const int minutes = 8 * 60 + 30 + i * 17;
            r.MsrDate = OleDate::fromParts(2026, 11, 16 + day, minutes / 60, minutes % 60,
                                           (i * 23) % 60);
            r.MsrNumber = number;
            r.ReinfKindID = int32_t((number + uint32_t(day)) % 4);
            r.ReinfDiameter = Diameters[(number * 5) % DiameterCount];
            r.ForceEstimate = int32_t(number % 3);
            r.Base = r.ReinfKindID == 1 ? 300 : 150;
            const float area = 0.785398f * float(r.ReinfDiameter * r.ReinfDiameter);
            r.F = area * (3.2f + 0.05f * float((number * 7) % 19));
            r.P = 4.0f + 0.37f * float(number % 11);
            r.S = 0.05f + 0.011f * float(number % 13);
            results.push_back(r);
        }
    }
    // The instrument sometimes keeps a result twice; the import adds it once.
    for (size_t k : {size_t(3), size_t(40), size_t(97)})
        results.push_back(results[k]);
    return results;
}

std::shared_ptr<SimulatedInstrument> makeDemoInstrument()
{
    auto instrument = std::make_shared<SimulatedInstrument>();
    instrument->setResults(demoResults());
    instrument->setScreen(measurementScreen());
    // A little latency, so that the progress window is seen as with the real device.
    instrument->setLatency(std::chrono::microseconds(4000));
    instrument->plug();
    return instrument;
}
