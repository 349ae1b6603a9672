// Fuzz target: a compressed web body fed in pieces, as the network hands it over.
#include "FuzzInput.h"

#include "platform/BodyDecoder.h"

#include <QByteArrayView>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    constexpr qint64 cap = 256 * 1024;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    BodyDecoder whole("gzip", cap);
    const bool wholeTaken = whole.add(bytes);
    const bool wholeComplete = whole.finish();
    // The same bytes in pieces of 7 read the same: a reply arrives cut anywhere.
    BodyDecoder pieces("gzip", cap);
    bool piecesTaken = true;
    for (qsizetype at = 0; at < bytes.size() && piecesTaken; at += 7) {
        piecesTaken = pieces.add(bytes.sliced(at, std::min<qsizetype>(7, bytes.size() - at)));
    }
    require(pieces.finish() == wholeComplete, "a body cut into pieces completes as the whole does");
    require(piecesTaken == wholeTaken, "a body cut into pieces breaks as the whole does");
    if (wholeComplete) {
        require(pieces.body() == whole.body(), "a body cut into pieces decodes as the whole does");
    }
    require(whole.body().size() <= cap + 64 * 1024, "nothing past the cap and one block is held");
    return 0;
}
