#pragma once

#include <QFont>
#include <QString>
#include <optional>

#include "print/document_output.h"
#include "print/print_document.h"

namespace kvsys {

// Error codes read after StartDoc (and after EndDoc / PrintHeld when they fail).
enum SurfaceError : int {
  kSurfaceOk = 0,
  kSurfaceNoOutput = 1,        // printing mode without an output
  kSurfaceOutputNotReady = 2,  // folder or printer not usable; nothing was started
  kSurfaceOutputFailed = 3,    // the document could not be written
  kSurfaceNoDocument = 4,      // EndDoc without an open document, PrintHeld with none held
};

// The print surface certificates are drawn on, in twips from the sheet's top-left corner.
// It composes a PrintDocument; in printing mode a finished document goes to the output, in
// preview mode it is held for display and printed on request. No widgets: windows show the
// held document through RenderPage.
class PrintSurface {
 public:
  explicit PrintSurface(DocumentOutput* output = nullptr) : output_(output) {}

  // The output of printing mode and of PrintHeld; not owned.
  void SetOutput(DocumentOutput* output) { output_ = output; }
  DocumentOutput* output() const { return output_; }

  // Paper code for the next document; reading returns the code last set.
  void SetPaperSize(int code) { paper_size_ = code; }
  // The name the next documents carry (PrintDocument::name) until another is set.
  void SetDocumentName(const QString& name) { document_name_ = name; }
  int PaperSize() const { return paper_size_; }
  // Sheet of the open document, or of the paper code when none is open.
  int PageWidth() const;
  int PageHeight() const;

  // false: the next document is written to the output when it ends; true: it is held.
  void SetPreviewMode(bool preview) { preview_ = preview; }
  bool PreviewMode() const { return preview_; }

  // Text is never wrapped, so the right margin has no effect; the bottom one ends the page.
  void SetMargins(int left, int top, int right, int bottom);

  // Opens a new document with one empty page, the position at the top-left margin. In
  // printing mode it first checks the output; when that fails Error() is non-zero,
  // ErrorText() says why and no document is open (drawing calls then do nothing).
  void StartDoc();
  // Closes the document: written to the output in printing mode, held in preview mode.
  // false (with Error() and ErrorText()) when it could not be written or none was open.
  bool EndDoc();
  bool DocOpen() const { return open_; }
  int Error() const { return error_; }
  const QString& ErrorText() const { return error_text_; }

  // Starts the next page of the open document at the top-left margin.
  void NewPage();

  void SetCurrentX(int x) { x_ = x; }
  // Also the top of the columns a vertical text goes on to after a carriage return.
  void SetCurrentY(int y) { y_ = column_top_ = y; }
  int CurrentX() const { return x_; }
  int CurrentY() const { return y_; }
  // Where lines after a carriage return start.
  void SetLineIndent(int x) { indent_ = x; }
  int LineIndent() const { return indent_; }

  void SetFontName(const QString& face);
  void SetFontSize(double points);
  void SetFontBold(bool bold);
  void SetFontItalic(bool italic);
  const QString& FontName() const { return face_; }
  double FontSize() const { return size_; }
  bool FontBold() const { return bold_; }
  bool FontItalic() const { return italic_; }
  // Line height of the current font, twips; in a vertical face the width of a column.
  double LineHeight();
  // How far one line of text reaches along its line in the current font, twips: its width, or
  // in a vertical face its height.
  double TextLength(const QString& line) { return Width(line); }

  // Draws text at the current position and moves the position past it. A carriage return
  // (or CR LF, or LF) goes to the line indent one line lower; a line that would run below the
  // page goes to the top of a new page. In a vertical face ("@...") a line runs down from the
  // position and the position moves below it; a carriage return goes to the top of the next
  // column to the left (one line height left, at the last y set); a column that would run
  // below the page goes to the top of a new page.
  void OutputText(const QString& text);
  void DrawLine(int x1, int y1, int x2, int y2);

  // Pages of the open or last document.
  int PageCount() const { return document_.PageCount(); }
  // The open or last document.
  const PrintDocument& Document() const { return document_; }
  // The document last ended in preview mode, if any.
  const PrintDocument* HeldDocument() const { return held_ ? &*held_ : nullptr; }
  // Sends the held document to the output once; callers repeat it for copies.
  bool PrintHeld();

 private:
  struct MeasuredFont;
  MeasuredFont& Measured();
  double Width(const QString& line);
  // Goes on at the top of a new page, at the same x, when a line reaching extent down from the
  // current position does not fit above the bottom margin, unless it already stands at the top
  // (a font taller than the page).
  void BreakPageFor(double extent);
  bool SetError(int code, const QString& text);
  PrintPage& CurrentPage() { return document_.pages.back(); }

  DocumentOutput* output_;
  int paper_size_ = 12;
  QString document_name_;
  bool preview_ = false;
  int margin_left_ = 0;
  int margin_top_ = 0;
  int margin_bottom_ = 0;

  bool open_ = false;
  int error_ = kSurfaceOk;
  QString error_text_;
  PrintDocument document_;
  std::optional<PrintDocument> held_;

  int x_ = 0;
  int y_ = 0;
  int indent_ = 0;
  int column_top_ = 0;
  QString face_ = QStringLiteral("ＭＳ 明朝");
  double size_ = 10;
  bool bold_ = false;
  bool italic_ = false;
};

}  // namespace kvsys
