#pragma once

#include <string>

#include <QImage>

// The QR code of text (byte mode, error correction M) as a black-on-white
// image, each module moduleSize pixels square, with the four-module quiet
// zone a reader needs around it. A null image when the text does not fit a
// QR code or the encoder fails.
QImage qrCodeImage(const std::string &text, int moduleSize);
