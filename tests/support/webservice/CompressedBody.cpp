#include "CompressedBody.h"

#include <QtEndian>

#include <zlib.h>

namespace {

// One block of zeros ended by a full flush: byte aligned and independent of what came before, so it repeats.
QByteArray compressedBlock()
{
    z_stream stream {};
    if (deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return QByteArray();
    const QByteArray zeros(int(CompressedBody::kBlockBytes), '\0');
    QByteArray out(int(CompressedBody::kBlockBytes), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.constData()));
    stream.avail_in = uInt(zeros.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const int result = deflate(&stream, Z_FULL_FLUSH);
    out.resize(int(stream.total_out));
    deflateEnd(&stream);
    return result == Z_OK && stream.avail_in == 0 ? out : QByteArray();
}

template<typename T> QByteArray bytes(T value, bool bigEndian)
{
    QByteArray out(int(sizeof(T)), '\0');
    if (bigEndian)
        qToBigEndian(value, out.data());
    else
        qToLittleEndian(value, out.data());
    return out;
}

} // namespace

QByteArray CompressedBody::zeros(qint64 inflatedBytes, const QByteArray& encoding)
{
    const bool gzip = encoding == "gzip";
    if (!gzip && encoding != "deflate")
        return QByteArray();
    const QByteArray block = compressedBlock();
    if (block.isEmpty())
        return QByteArray();
    const qint64 blocks = qMax<qint64>(1, (inflatedBytes + kBlockBytes - 1) / kBlockBytes);
    const QByteArray zeroBlock(int(kBlockBytes), '\0');
    const auto* data = reinterpret_cast<const Bytef*>(zeroBlock.constData());
    const uLong blockCrc = crc32(crc32(0, nullptr, 0), data, uInt(kBlockBytes));
    const uLong blockAdler = adler32(adler32(0, nullptr, 0), data, uInt(kBlockBytes));
    uLong crc = blockCrc, adler = blockAdler;
    for (qint64 i = 1; i < blocks; ++i) {
        crc = crc32_combine(crc, blockCrc, z_off_t(kBlockBytes));
        adler = adler32_combine(adler, blockAdler, z_off_t(kBlockBytes));
    }

    QByteArray body = gzip ? QByteArray::fromHex("1f8b0800000000000203") : QByteArray::fromHex("78da");
    body.reserve(int(blocks * block.size() + 32));
    for (qint64 i = 0; i < blocks; ++i)
        body.append(block);
    body.append(QByteArray::fromHex("0300")); // the last block: fixed codes, nothing but its end
    if (gzip) {
        body.append(bytes(quint32(crc), false));
        body.append(bytes(quint32(quint64(blocks * kBlockBytes) & 0xffffffffu), false));
    } else {
        body.append(bytes(quint32(adler), true));
    }
    return body;
}
