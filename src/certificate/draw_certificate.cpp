#include "certificate/draw_certificate.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "certificate/certificate_text.h"
#include "common/dialogs.h"
#include "print/paper.h"
#include "print/print_surface.h"
#include "print/vertical_text.h"

namespace kvsys {

namespace {

// Positions are 16-bit twips on the surface; anything beyond lies far off the sheet anyway.
int Twips16(double mm) {
  return std::clamp(MmToTwips(mm), int{std::numeric_limits<int16_t>::min()},
                    int{std::numeric_limits<int16_t>::max()});
}

void SetItemFont(PrintSurface& surface, const LayoutItem& item) {
  surface.SetFontName(item.FontName);
  surface.SetFontSize(item.FontSize);
  surface.SetFontBold(item.Bold);
  surface.SetFontItalic(item.Italic);
}

// Notes where the text of one item lands: the runs the surface adds between Begin and End.
class PlacementRecorder {
 public:
  PlacementRecorder(PrintSurface& surface, std::vector<ItemPlacement>* out)
      : surface_(surface), out_(out) {}

  // Called once the item's position and font are set.
  void Begin(int item) {
    if (!out_) return;
    item_ = item;
    page_ = surface_.PageCount();
    element_ = surface_.Document().pages.back().elements.size();
    vertical_ = IsVerticalFace(surface_.FontName());
    const int line = qRound(surface_.LineHeight());
    empty_ = vertical_ ? QRect(surface_.CurrentX(), surface_.CurrentY(), line, 0)
                       : QRect(surface_.CurrentX(), surface_.CurrentY(), 0, line);
  }

  void End(bool shrunk = false) {
    if (!out_) return;
    ItemPlacement placed{item_, page_, QRect(), vertical_, shrunk};
    const PrintDocument& doc = surface_.Document();
    size_t from = element_;
    for (int page = page_; page <= doc.PageCount() && placed.rect.isNull(); ++page, from = 0) {
      const std::vector<PageElement>& elements = doc.Page(page)->elements;
      for (size_t i = from; i < elements.size(); ++i) {
        if (const TextRun* run = std::get_if<TextRun>(&elements[i])) {
          placed.page = page;
          placed.rect |= QRect(run->x, run->y, qRound(run->width), qRound(run->height));
        }
      }
    }
    if (placed.rect.isNull()) placed.rect = empty_;
    out_->push_back(placed);
  }

 private:
  PrintSurface& surface_;
  std::vector<ItemPlacement>* out_;
  int item_ = 0;
  int page_ = 1;
  size_t element_ = 0;
  QRect empty_;
  bool vertical_ = false;
};

// With the Shrink option: the largest size, at most the font's own, at which every line of the
// text ends kShrinkMarginMm before the sheet's right edge (in a vertical face: its bottom edge),
// from where the surface would put it. The font's own size when it fits, or when a line starts
// too near the edge for any size to help.
double FittingSize(PrintSurface& surface, const QStringList& lines) {
  const double size = surface.FontSize();
  const bool vertical = IsVerticalFace(surface.FontName());
  const int limit =
      (vertical ? surface.PageHeight() : surface.PageWidth()) - MmToTwips(kShrinkMarginMm);
  auto fits = [&] {
    for (qsizetype i = 0; i < lines.size(); ++i) {
      if (lines[i].isEmpty()) continue;
      const int start =
          vertical ? surface.CurrentY() : (i == 0 ? surface.CurrentX() : surface.LineIndent());
      if (start + surface.TextLength(lines[i]) > limit) return false;
    }
    return true;
  };
  double ratio = 1;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (lines[i].isEmpty()) continue;
    const int start =
        vertical ? surface.CurrentY() : (i == 0 ? surface.CurrentX() : surface.LineIndent());
    const double length = surface.TextLength(lines[i]);
    if (start + length <= limit) continue;
    if (limit - start <= 0) return size;
    ratio = std::min(ratio, (limit - start) / length);
  }
  if (ratio >= 1) return size;
  // Text does not shrink quite in proportion (hinting, rounding): step down until it fits.
  double fitted = std::floor(size * ratio * 10) / 10;
  for (surface.SetFontSize(fitted); fitted > 1 && !fits(); surface.SetFontSize(fitted)) {
    fitted -= 0.1;
  }
  surface.SetFontSize(size);
  return std::max(fitted, 1.0);
}

QStringList LinesOf(const QString& text) {
  QString normalised = text;
  normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\r")).replace(u'\n', u'\r');
  return normalised.split(u'\r');
}

// The text of an item drawn on one line.
QString LineItemText(int item, const CertificateLayout& layout, const RecipientTable& table,
                     int index, const PrintOptions& o) {
  const Recipient& r = table[index];
  const CertificateTexts& t = layout.Texts;
  switch (item) {
    case kItemTitle:
      return t.title;
    case kItemEdition:
      return t.edition;
    case kItemMeetName1:
      return t.meet_name1;
    case kItemMeetName2:
      return t.meet_name2;
    case kItemName:
      return NameText(r, o);
    case kItemHonorific:
      return HonorificText(r, o);
    case kItemAffiliation:
      return AffiliationText(r, o);
    case kItemClass:
      return ClassText(r, o);
    case kItemEvent:
      return EventText(r, o);
    case kItemRank:
      return RankItemText(table, index, o);
    case kItemRecord:
      return RecordItemText(r, o);
    case kItemDate:
      return t.date;
    case kItemPresenterTitle:
      return t.presenter_title;
    case kItemPresenter:
      return t.presenter;
    default:
      return CaptionText(item);
  }
}

// A grid over the whole sheet, edges included: LatticeY bands across, LatticeX columns down.
void DrawLattice(PrintSurface& surface, const PrintOptions& o, Dialogs& dialogs) {
  // A negative count would never end the lines either.
  if (o.LatticeX <= 0 || o.LatticeY <= 0) {
    dialogs.MsgBox(kLatticeMessage, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
    return;
  }
  const int height = surface.PageHeight();
  const int width = surface.PageWidth();
  // More bands than twips would make the step 0; one twip is the finest grid there is.
  const int64_t step_y = std::max<int64_t>(1, (height - 1) / o.LatticeY);
  for (int64_t y = 1; y <= height; y += step_y) {
    surface.DrawLine(0, static_cast<int>(y), width, static_cast<int>(y));
  }
  const int64_t step_x = std::max<int64_t>(1, (width - 1) / o.LatticeX);
  for (int64_t x = 1; x <= width; x += step_x) {
    surface.DrawLine(static_cast<int>(x), 0, static_cast<int>(x), height);
  }
}

}  // namespace

void SetItemPosition(PrintSurface& surface, double x_mm, double y_mm, Dialogs& dialogs) {
  const int y = MmToTwips(y_mm);
  if (y > surface.PageHeight()) {
    dialogs.MsgBox(kPositionMessage, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
    return;
  }
  surface.SetCurrentX(Twips16(x_mm));
  surface.SetCurrentY(Twips16(y_mm));
}

void SetLineIndent(PrintSurface& surface, double x_mm) {
  surface.SetLineIndent(Twips16(x_mm));
}

namespace {

// A relay's members in the affiliation's place, one line (or column) each, at one size.
void DrawRelayMembers(PrintSurface& surface, PlacementRecorder& recorder, const LayoutItem& style,
                      double x, double y, const std::array<QString, 4>& members, bool shrink,
                      Dialogs& dialogs) {
  const int line_step = style.FontSize / 3 + 2;  // mm between members
  // Members of a vertical face stand in columns from right to left.
  const bool vertical = IsVerticalFace(style.FontName);
  auto place = [&](size_t k) {
    const int step = line_step * static_cast<int>(k);
    SetItemPosition(surface, vertical ? x - step : x, vertical ? y : y + step, dialogs);
    SetItemFont(surface, style);
  };
  // The members share one size: the one at which the longest of them fits.
  double size = style.FontSize;
  if (shrink) {
    for (size_t k = 0; k < members.size(); ++k) {
      place(k);
      size = std::min(size, FittingSize(surface, {members[k]}));
    }
  }
  for (size_t k = 0; k < members.size(); ++k) {
    place(k);
    surface.SetFontSize(size);
    if (k == 0) recorder.Begin(kItemAffiliation);
    surface.OutputText(members[k]);
  }
  recorder.End(size < style.FontSize);
}

}  // namespace

DrawResult DrawCertificate(PrintSurface& surface, DrawMode mode, WarningLabel& label,
                           const CertificateLayout& layout, const RecipientTable& recipients,
                           const PrintOptions& options, Dialogs& dialogs,
                           std::vector<ItemPlacement>* placements) {
  const int index = recipients.CurrentRecipient;
  if (!RecipientTable::ValidIndex(index)) return DrawResult::kFailed;

  surface.SetPaperSize(layout.PaperSize);
  surface.SetPreviewMode(mode == DrawMode::kPreview);
  surface.SetMargins(0, 0, 0, 0);
  surface.StartDoc();
  if (surface.Error() != kSurfaceOk) return DrawResult::kFailed;

  if (placements) placements->clear();
  PlacementRecorder recorder(surface, placements);
  const Recipient& r = recipients[index];
  const bool relay = IsRelayEvent(r.EventName);

  for (const int item : kDrawOrder) {
    // The honorific has no font and no show flag of its own: it goes with the name.
    const int styled = item == kItemHonorific ? kItemName : item;
    const LayoutItem& style = layout.Items[styled];
    if (style.Hidden != 0) continue;
    if (item == kItemAffiliation && r.Affiliation.isEmpty()) continue;
    const LayoutItem& offsets = layout.Items[item];
    const BasePosition base = ItemBase(item, relay);
    const double x = base.x - offsets.X;
    const double y = base.y - offsets.Y;

    if (item == kItemAffiliation && relay && options.Relay) {
      DrawRelayMembers(surface, recorder, style, x, y, RelayMembers(r, options), options.Shrink,
                       dialogs);
      continue;
    }

    SetItemPosition(surface, x, y, dialogs);
    SetItemFont(surface, style);
    // Each body line starts one line lower, at the item's x: the first one already below the
    // position.
    SetLineIndent(surface, x);
    const QString text = item == kItemBody ? u'\r' + WrapBodyText(layout.Texts.body).join(u'\r')
                                           : LineItemText(item, layout, recipients, index, options);
    bool shrunk = false;
    if (options.Shrink) {
      const double size = FittingSize(surface, LinesOf(text));
      shrunk = size < surface.FontSize();
      surface.SetFontSize(size);
    }
    recorder.Begin(item);
    surface.OutputText(text);
    recorder.End(shrunk);
  }

  if (options.Lattice) DrawLattice(surface, options, dialogs);
  const bool written = surface.EndDoc();

  if (surface.PageCount() >= 2) {
    label.SetWarningCaption(kOverflowWarning);
    label.SetWarningVisible(true);
  } else {
    label.SetWarningVisible(false);
  }
  return written ? DrawResult::kDrawn : DrawResult::kFailed;
}

}  // namespace kvsys
