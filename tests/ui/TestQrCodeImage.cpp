#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

#include <QColor>
#include <QImage>
#include <QTest>

#include "ui/QrCodeImage.h"

namespace
{
constexpr int Quiet = 4;

// Whether the module at (x, y) of the symbol is dark, read at its centre.
bool dark(const QImage &image, int scale, int x, int y)
{
    return QColor(image.pixel((x + Quiet) * scale + scale / 2, (y + Quiet) * scale + scale / 2)).lightness() < 128;
}
}

class TestQrCodeImage : public QObject
{
    Q_OBJECT

private slots:
    // The three finder patterns sit at the top left, top right and bottom
    // left, each a dark ring, a light ring and a dark 3x3 core inside its
    // light separator, with the quiet zone white: a reader finds the symbol
    // only so, and a symbol drawn mirrored or shifted is not read.
    void drawsTheSymbolWithItsFindersAndQuietZone_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("scale");
        QTest::newRow("a pairing link, 3 px") << "https://192.168.100.200:8443/pair?code="
                                                 "AbCdEfGhIjKlMnOpQrStUvWxYz0123456789-_AbCd"
                                              << 3;
        QTest::newRow("a short text, 1 px") << "x" << 1;
    }

    void drawsTheSymbolWithItsFindersAndQuietZone()
    {
        QFETCH(QString, text);
        QFETCH(int, scale);
        const QImage image = qrCodeImage(text.toStdString(), scale);
        QVERIFY(!image.isNull());
        QCOMPARE(image.width(), image.height());
        QCOMPARE(image.width() % scale, 0);
        const int modules = image.width() / scale - 2 * Quiet;
        // Versions 1 to 40: 21 to 177 modules, four more each.
        QVERIFY(modules >= 21 && modules <= 177 && (modules - 21) % 4 == 0);
        const int far = modules - 7;
        for (const auto &[left, top] : {std::pair {0, 0}, std::pair {far, 0}, std::pair {0, far}}) {
            for (int y = -1; y <= 7; ++y) {
                for (int x = -1; x <= 7; ++x) {
                    const int ring = std::max(std::abs(x - 3), std::abs(y - 3));
                    const bool expected = ring == 3 || ring <= 1;
                    if (left + x < 0 || top + y < 0 || left + x >= modules || top + y >= modules)
                        continue;
                    QVERIFY2(dark(image, scale, left + x, top + y) == expected,
                             qPrintable(QStringLiteral("module %1,%2").arg(left + x).arg(top + y)));
                }
            }
        }
        // The quiet zone's outer edge is white all round.
        for (int i = 0; i < image.width(); ++i) {
            for (const QPoint &edge : {QPoint(i, 0), QPoint(0, i), QPoint(i, image.height() - 1),
                                       QPoint(image.width() - 1, i)})
                QCOMPARE(QColor(image.pixel(edge)).lightness(), 255);
        }
        // The timing pattern between the top finders alternates.
        for (int x = 8; x < far - 1; ++x)
            QCOMPARE(dark(image, scale, x, 6), x % 2 == 0);
    }

    void aTextTooLongForAnySymbolGivesNoImage()
    {
        QVERIFY(qrCodeImage(std::string(8000, 'a'), 3).isNull());
        QVERIFY(qrCodeImage("x", 0).isNull());
    }
};

QTEST_MAIN(TestQrCodeImage)
#include "TestQrCodeImage.moc"
