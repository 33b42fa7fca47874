#pragma once

#include <QByteArray>
#include <QTransform>
#include <functional>
#include <memory>

#include "print/print_document.h"

namespace kvsys {

// Writes documents as PDF files of their own, drawn as the page renderer draws them, and
// keeps between documents what each file would otherwise work out again: the fonts' outlines
// and metrics and the shaped texts. A run that writes one file per certificate repeats little
// but the names. Fonts are embedded as subsets of the glyphs each file shows.
//
// Two threads may use it at once, each with files of its own (a file may be handed from one to
// the other, to be closed there): the fonts are shared, what a thread shaped is its own. What a
// thread shaped holds that thread's fonts and goes with the writer: a thread that draws here
// must still be there when the writer goes.
class PdfWriter {
 public:
  PdfWriter();
  ~PdfWriter();
  PdfWriter(const PdfWriter&) = delete;
  PdfWriter& operator=(const PdfWriter&) = delete;

  // The document as a PDF file. Empty when this writer cannot draw it exactly as the renderer
  // does (a font without TrueType outlines, a text with control characters, vertical italic
  // text, an empty sheet): the caller then writes it through Qt's PDF engine.
  // placement: where the sheet's content goes (twips to twips), as File::SetPlacement.
  QByteArray Write(const PrintDocument& doc, const QTransform& placement = QTransform());
  // Whether every text of the document can be drawn here exactly as the renderer draws it.
  bool CanWrite(const PrintDocument& doc);

  // One PDF file of many documents, written as they come: each page goes to the sink at once
  // (a run of thousands never holds its pages), the fonts, one subset of each face for the
  // whole file, at the end. The writer must outlive it.
  class File {
   public:
    // sink takes the file's bytes in order; false when it could not (the file is then given
    // up: every later call fails).
    File(PdfWriter& writer, std::function<bool(const QByteArray&)> sink);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    // Appends the document's pages. False when it cannot be drawn exactly here (nothing of it
    // is written then) or the sink failed. in_front: its pages come before every page added
    // without it (a list of what the file holds, made once the rest is known).
    bool Add(const PrintDocument& doc, bool in_front = false);
    // The pages' contents held for it, the fonts, the page tree and the cross-reference table:
    // the file is whole. False when a font could not be made or the sink failed, or without a
    // page.
    bool Close();
    int pages() const;
    // Every page added after this has its content placed so (twips to twips, about the sheet's
    // top-left corner): a printer's calibration.
    void SetPlacement(const QTransform& placement);
    // The contents of the pages added from now on are compressed by Close (later = true)
    // rather than as they are added: the thread that closes the file takes that work off the
    // thread that draws. They are held until then, up to a bound past which Add writes them
    // itself.
    void CompressWhenClosed(bool later = true);

   private:
    struct Data;
    std::unique_ptr<Data> d_;
  };

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace kvsys
