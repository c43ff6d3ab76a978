// JPEG pictures decoded by libjpeg.
#pragma once

#include <QImage>

#include <cstddef>

#include "platform/sysutils.h"

// A picture that cannot be decoded.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// Decodes a baseline or progressive JPEG with one or three components into
// an RGB image. Raises EInvalidGraphic (a platform Exception) with libjpeg's
// own reason when the data is not a picture it can decode.
QImage DecodeJpeg(const unsigned char* data, std::size_t size);
