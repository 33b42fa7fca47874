#pragma once

#include <QByteArray>
#include <memory>
#include <vector>

namespace kvsys {

// Data compressed on its own as deflate blocks that end on a byte boundary and refer to nothing
// before them, so that it can be put into any stream as it is.
struct DeflatedPiece {
  QByteArray blocks;
  quint32 adler = 1;   // Adler-32 of the data
  qsizetype size = 0;  // of the data
};

// Builds the zlib streams (PDF's FlateDecode) of a PDF file. A stream can be joined from
// pieces compressed once and kept, so that what every file of a run repeats (the glyphs of a
// font) is compressed only the first time.
class Deflater {
 public:
  Deflater();
  ~Deflater();
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  DeflatedPiece Piece(const char* data, qsizetype size);
  // The data as it is, in stored blocks: for what each file has its own of and compresses
  // little (a subset's tables, its ToUnicode map), where compressing costs more than it saves.
  static DeflatedPiece Stored(const char* data, qsizetype size);
  // A whole stream of data.
  QByteArray Stream(const QByteArray& data);
  // One stream holding the pieces' data in order.
  static QByteArray Join(const std::vector<const DeflatedPiece*>& pieces);

 private:
  struct Z;
  std::unique_ptr<Z> z_;
};

}  // namespace kvsys
