#pragma once

#include <QByteArray>

// A body of zeros as a server sends it with Content-Encoding gzip or deflate, built without ever holding it
// inflated: one block of zeros is compressed once and repeated, and the stream's check sum is combined.
class CompressedBody
{
public:
    static constexpr qint64 kBlockBytes = 1024 * 1024;

    // inflatedBytes rounded up to whole blocks; encoding "gzip" or "deflate" (the zlib format); empty when the
    // encoding is neither.
    static QByteArray zeros(qint64 inflatedBytes, const QByteArray& encoding);
};
