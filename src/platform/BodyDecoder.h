// Reading an HTTP body as it arrives: undoing its Content-Encoding (gzip, deflate) and counting what
// it grows to, so a body past its cap or broken in its encoding is known while it streams.
#pragma once

#include <QByteArray>

#include <memory>

class BodyDecoder final {
public:
    // contentEncoding as the server sent it; an encoding this reader does not know fails at once.
    BodyDecoder(const QByteArray &contentEncoding, qint64 cap);
    BodyDecoder(const BodyDecoder &) = delete;
    BodyDecoder &operator=(const BodyDecoder &) = delete;
    ~BodyDecoder();

    // Takes the next bytes as they came off the wire; false once the body is broken or past its cap.
    bool add(QByteArrayView bytes);
    // The transfer ended: true when the whole body came, its encoding complete and within the cap.
    bool finish();
    // The decoded body so far: never more than the cap and one byte.
    const QByteArray &body() const { return m_body; }

private:
    struct Inflater;
    std::unique_ptr<Inflater> m_inflater;
    qint64 m_cap;
    QByteArray m_body;
    bool m_broken = false;
    bool m_ended = false;
};
