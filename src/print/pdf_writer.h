#pragma once

#include <QByteArray>
#include <memory>

#include "print/print_document.h"

namespace kvsys {

// Writes documents as PDF files of their own, drawn as the page renderer draws them, and
// keeps between documents what each file would otherwise work out again: the fonts' outlines
// and metrics and the shaped texts. A run that writes one file per certificate repeats little
// but the names. Fonts are embedded as subsets of the glyphs each file shows.
class PdfWriter {
 public:
  PdfWriter();
  ~PdfWriter();
  PdfWriter(const PdfWriter&) = delete;
  PdfWriter& operator=(const PdfWriter&) = delete;

  // The document as a PDF file. Empty when this writer cannot draw it exactly as the renderer
  // does (a font without TrueType outlines, a text with control characters, vertical italic
  // text, an empty sheet): the caller then writes it through Qt's PDF engine.
  QByteArray Write(const PrintDocument& doc);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace kvsys
