// Streaming Content-Encoding decoding with zlib and the body's cap.
#include "platform/BodyDecoder.h"

#include <zlib.h>

#include <algorithm>

struct BodyDecoder::Inflater {
    z_stream stream{};
};

BodyDecoder::BodyDecoder(const QByteArray &contentEncoding, qint64 cap)
    : m_cap(cap) {
    // The cap and the one byte that tells a body past it are reserved at once: address space until
    // written. Grown by copies, the body would be held twice the moment it outgrew its block.
    m_body.reserve(cap + 1);
    const QByteArray encoding = contentEncoding.trimmed().toLower();
    if (encoding.isEmpty() || encoding == "identity") {
        return;
    }
    if (encoding != "gzip" && encoding != "x-gzip" && encoding != "deflate") {
        m_broken = true;
        return;
    }
    m_inflater = std::make_unique<Inflater>();
    // 15 + 32: the largest window, with a gzip or zlib header recognised from the bytes.
    if (inflateInit2(&m_inflater->stream, 15 + 32) != Z_OK) {
        m_inflater.reset();
        m_broken = true;
    }
}

BodyDecoder::~BodyDecoder() {
    if (m_inflater) {
        inflateEnd(&m_inflater->stream);
    }
}

bool BodyDecoder::add(QByteArrayView bytes) {
    if (m_broken || bytes.isEmpty()) {
        return !m_broken;
    }
    if (!m_inflater) {
        m_body.append(bytes.first(std::min<qsizetype>(bytes.size(), m_cap + 1 - m_body.size())));
        m_broken = m_body.size() > m_cap;
        return !m_broken;
    }
    // Bytes after the end of the compressed stream are not part of any answer.
    if (m_ended) {
        m_broken = true;
        return false;
    }
    z_stream &stream = m_inflater->stream;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    char block[64 * 1024];
    while (stream.avail_in > 0 && !m_ended) {
        stream.next_out = reinterpret_cast<Bytef *>(block);
        stream.avail_out = sizeof block;
        const int result = inflate(&stream, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
            m_broken = true;
            return false;
        }
        const qsizetype produced = qsizetype(sizeof block - stream.avail_out);
        m_body.append(block, std::min<qsizetype>(produced, m_cap + 1 - m_body.size()));
        if (m_body.size() > m_cap) {
            m_broken = true;
            return false;
        }
        m_ended = result == Z_STREAM_END;
        if (result == Z_BUF_ERROR && stream.avail_out == sizeof block) {
            break;
        }
    }
    m_broken = m_ended && stream.avail_in > 0;
    return !m_broken;
}

bool BodyDecoder::finish() {
    return !m_broken && (!m_inflater || m_ended);
}
