#include "ui/QrCodeImage.h"

#include <memory>

#include <qrencode.h>

#include <QColor>

namespace
{
constexpr int QuietModules = 4;

struct QrCodeFree
{
    void operator()(QRcode *code) const { QRcode_free(code); }
};
}

QImage qrCodeImage(const std::string &text, int moduleSize)
{
    // Version 0 lets the encoder pick the smallest symbol that holds the text;
    // case-sensitive, as a link's code is.
    const std::unique_ptr<QRcode, QrCodeFree> code(QRcode_encodeString(text.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1));
    if (!code || moduleSize <= 0)
        return {};
    const int side = (code->width + 2 * QuietModules) * moduleSize;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QRgb dark = QColor(Qt::black).rgb();
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            // The lowest bit of each byte is the module's colour; the others
            // say what part of the symbol it belongs to.
            if ((code->data[y * code->width + x] & 1) == 0)
                continue;
            const int left = (x + QuietModules) * moduleSize;
            const int top = (y + QuietModules) * moduleSize;
            for (int row = top; row < top + moduleSize; ++row) {
                auto *line = reinterpret_cast<QRgb *>(image.scanLine(row));
                for (int column = left; column < left + moduleSize; ++column)
                    line[column] = dark;
            }
        }
    }
    return image;
}
