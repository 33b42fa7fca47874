#include "print/deflate_pieces.h"

#include <zlib.h>

#include <algorithm>

namespace kvsys {

struct Deflater::Z {
  z_stream s{};
  bool ok = false;
};

Deflater::Deflater() : z_(std::make_unique<Z>()) {
  // Raw deflate: the zlib header and checksum are written around the joined pieces.
  z_->ok =
      deflateInit2(&z_->s, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 6, Z_DEFAULT_STRATEGY) == Z_OK;
}

Deflater::~Deflater() {
  if (z_->ok) deflateEnd(&z_->s);
}

namespace {

// A piece of the data with its size and checksum, its blocks still to come.
DeflatedPiece PieceOf(const char* data, qsizetype size) {
  DeflatedPiece piece;
  piece.size = size;
  if (size > 0) {
    piece.adler = static_cast<quint32>(
        adler32_z(1, reinterpret_cast<const Bytef*>(data), static_cast<z_size_t>(size)));
  }
  return piece;
}

}  // namespace

DeflatedPiece Deflater::Piece(const char* data, qsizetype size) {
  DeflatedPiece piece = PieceOf(data, size);
  if (size <= 0) return piece;
  if (!z_->ok || deflateReset(&z_->s) != Z_OK) {
    z_->ok = false;
    return piece;
  }
  z_stream& s = z_->s;
  piece.blocks.resize(static_cast<qsizetype>(deflateBound(&s, static_cast<uLong>(size))) + 16);
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
  s.avail_in = static_cast<uInt>(size);
  s.next_out = reinterpret_cast<Bytef*>(piece.blocks.data());
  s.avail_out = static_cast<uInt>(piece.blocks.size());
  // A sync flush ends the blocks on a byte boundary, with nothing left in the compressor; the
  // reset above already keeps the piece from referring to anything before it.
  if (deflate(&s, Z_SYNC_FLUSH) != Z_OK || s.avail_in != 0) {
    z_->ok = false;
    piece.blocks.clear();
    return piece;
  }
  piece.blocks.resize(piece.blocks.size() - static_cast<qsizetype>(s.avail_out));
  return piece;
}

DeflatedPiece Deflater::Stored(const char* data, qsizetype size) {
  DeflatedPiece piece = PieceOf(data, size);
  constexpr qsizetype kMostStored = 0xFFFF;
  piece.blocks.reserve(size + (size / kMostStored + 1) * 5);
  for (qsizetype at = 0; at < size; at += kMostStored) {
    const auto n = static_cast<quint16>(std::min(kMostStored, size - at));
    // Not the last block, stored; its header ends the byte, as every piece ends on one.
    piece.blocks.append('\0');
    for (const quint16 word : {n, static_cast<quint16>(~n)}) {
      piece.blocks.append(static_cast<char>(word & 0xFF)).append(static_cast<char>(word >> 8));
    }
    piece.blocks.append(data + at, n);
  }
  return piece;
}

QByteArray Deflater::Stream(const QByteArray& data) {
  const DeflatedPiece piece = Piece(data.constData(), data.size());
  return Join({&piece});
}

QByteArray Deflater::Join(const std::vector<const DeflatedPiece*>& pieces) {
  QByteArray out;
  qsizetype total = 8;
  for (const DeflatedPiece* p : pieces) total += p->blocks.size();
  out.reserve(total);
  out.append('\x78').append('\x9C');
  uLong adler = 1;
  for (const DeflatedPiece* p : pieces) {
    if (p->size > 0 && p->blocks.isEmpty()) return {};  // its compression failed
    out.append(p->blocks);
    adler = adler32_combine(adler, p->adler, static_cast<z_off_t>(p->size));
  }
  // The last block: empty, fixed codes, marked final.
  out.append('\x03').append('\x00');
  for (int shift = 24; shift >= 0; shift -= 8) out.append(static_cast<char>(adler >> shift));
  return out;
}

}  // namespace kvsys
