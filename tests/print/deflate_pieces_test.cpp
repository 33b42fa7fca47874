// Streams joined from pieces compressed or stored apart: what a reader inflates of them.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QtEndian>

#include "print/deflate_pieces.h"

namespace kvsys {
namespace {

// Inflated as a PDF reader does (zlib checks the Adler-32 at the end); empty when it fails.
QByteArray Inflated(const QByteArray& stream, qsizetype size) {
  QByteArray framed(4, '\0');  // qUncompress wants the size first
  qToBigEndian(static_cast<quint32>(size), framed.data());
  return qUncompress(framed + stream);
}

TEST(DeflatePieces, PiecesCompressedOrStoredJoinIntoTheDataInOrder) {
  Deflater deflater;
  QByteArray page;
  for (int i = 0; i < 60; ++i)
    page += "BT /F0 1 Tf 740 0 0 -740 4706 " + QByteArray::number(i) + " Tm\n";
  // Past a stored block's 65,535 bytes, and nothing a compressor could shorten.
  QByteArray map(150000, '\0');
  quint32 x = 12345;
  for (char& c : map) c = static_cast<char>((x = x * 1103515245 + 12345) >> 24);
  const QByteArray tail("endcmap\n");

  const DeflatedPiece a = deflater.Piece(page.constData(), page.size());
  const DeflatedPiece b = Deflater::Stored(map.constData(), map.size());
  const DeflatedPiece none = Deflater::Stored(tail.constData(), 0);
  const DeflatedPiece c = Deflater::Stored(tail.constData(), tail.size());
  const DeflatedPiece d = deflater.Piece(tail.constData(), tail.size());
  const QByteArray whole = page + map + tail + tail;
  EXPECT_EQ(Inflated(Deflater::Join({&a, &b, &none, &c, &d}), whole.size()), whole);
  EXPECT_LT(a.blocks.size(), page.size() / 2);
  EXPECT_EQ(b.blocks.size(), map.size() + 3 * 5);  // three stored blocks' headers

  // One stream of a piece alone, as a file's own map goes.
  EXPECT_EQ(Inflated(Deflater::Join({&b}), map.size()), map);
  EXPECT_EQ(Inflated(deflater.Stream(page), page.size()), page);
}

}  // namespace
}  // namespace kvsys
