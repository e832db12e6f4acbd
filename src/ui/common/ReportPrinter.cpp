#include "ui/common/ReportPrinter.h"

#include "core/PrintLayout.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QMarginsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <numeric>

namespace mailmoat {

namespace {

// The printable area and the title and footer fonts of one page.
struct TPageFrame {
  QRect Area;
  QFont TitleFont;
  QFont TextFont;
  int LineHeight = 0;
  int TitleHeight = 0;
  int FooterHeight = 0;

  explicit TPageFrame(QPainter& painter, bool fixedPitch = false) {
    Area = painter.viewport();
    TextFont = fixedPitch ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont("DejaVu Sans", 9);
    TextFont.setPointSizeF(9);
    TitleFont = TextFont;
    TitleFont.setPointSizeF(13);
    TitleFont.setBold(true);
    LineHeight = QFontMetrics(TextFont, painter.device()).lineSpacing();
    TitleHeight = QFontMetrics(TitleFont, painter.device()).lineSpacing() + LineHeight / 2;
    FooterHeight = LineHeight * 2;
  }
  int BodyTop() const { return Area.top() + TitleHeight; }
  int BodyHeight() const { return Area.height() - TitleHeight - FooterHeight; }

  void DrawTitleAndFooter(QPainter& painter, const QString& title, std::size_t page, std::size_t pages) const {
    painter.setFont(TitleFont);
    painter.drawText(QRect(Area.left(), Area.top(), Area.width(), TitleHeight), Qt::AlignLeft | Qt::AlignTop, title);
    painter.setFont(TextFont);
    painter.drawText(QRect(Area.left(), Area.bottom() - LineHeight, Area.width(), LineHeight), Qt::AlignCenter,
                     QString::fromStdString(PageFooter(page, pages)));
  }
};

}  // namespace

int PrintTable(QPrinter& printer, const TPrintTable& table) {
  printer.setPageOrientation(table.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  QPainter painter(&printer);
  if (!painter.isActive()) return 0;
  const TPageFrame frame(painter);
  // The header row takes one line of each page.
  int rowsPerPage = std::max(1, frame.BodyHeight() / frame.LineHeight - 1);
  if (table.RowsPerPage > 0) rowsPerPage = std::min(rowsPerPage, table.RowsPerPage);
  const std::vector<TRowRange> pages = PaginateRows(table.Rows.size(), rowsPerPage);

  const int columns = std::max<int>(1, static_cast<int>(table.Columns.size()));
  std::vector<int> weights = table.ColumnWeights;
  weights.resize(static_cast<std::size_t>(columns), weights.empty() ? 1 : 0);
  const int total = std::max(1, std::accumulate(weights.begin(), weights.end(), 0));
  std::vector<int> left{frame.Area.left()};
  for (int w : weights) left.push_back(left.back() + frame.Area.width() * w / total);

  const auto drawRow = [&](const QStringList& cells, int y) {
    for (int c = 0; c < columns && c < cells.size(); ++c) {
      const QRect cell(left[static_cast<std::size_t>(c)] + 2, y,
                       left[static_cast<std::size_t>(c) + 1] - left[static_cast<std::size_t>(c)] - 4, frame.LineHeight);
      painter.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter,
                       painter.fontMetrics().elidedText(cells[c], Qt::ElideRight, cell.width()));
    }
  };
  for (std::size_t p = 0; p < pages.size(); ++p) {
    if (p > 0) printer.newPage();
    frame.DrawTitleAndFooter(painter, table.Title, p + 1, pages.size());
    QFont bold = frame.TextFont;
    bold.setBold(true);
    painter.setFont(bold);
    int y = frame.BodyTop();
    drawRow(table.Columns, y);
    painter.drawLine(frame.Area.left(), y + frame.LineHeight, frame.Area.right(), y + frame.LineHeight);
    painter.setFont(frame.TextFont);
    for (std::size_t r = pages[p].First; r < pages[p].First + pages[p].Count; ++r) {
      y += frame.LineHeight;
      drawRow(table.Rows[r], y);
    }
  }
  return static_cast<int>(pages.size());
}

int PrintLines(QPrinter& printer, const QString& title, const QStringList& lines, bool fixedPitch) {
  QPainter painter(&printer);
  if (!painter.isActive()) return 0;
  const TPageFrame frame(painter, fixedPitch);
  const QFontMetrics metrics(frame.TextFont, painter.device());
  std::vector<std::string> text;
  for (const QString& line : lines) text.push_back(line.toStdString());
  const std::vector<std::string> wrapped = WrapLines(
      text,
      [&metrics](std::string_view part) {
        return metrics.horizontalAdvance(QString::fromUtf8(part.data(), static_cast<qsizetype>(part.size())));
      },
      frame.Area.width());
  const auto pages = PaginateLines(wrapped, frame.BodyHeight() / frame.LineHeight);
  for (std::size_t p = 0; p < pages.size(); ++p) {
    if (p > 0) printer.newPage();
    frame.DrawTitleAndFooter(painter, title, p + 1, pages.size());
    painter.setFont(frame.TextFont);
    int y = frame.BodyTop();
    for (const std::string& line : pages[p]) {
      painter.drawText(QRect(frame.Area.left(), y, frame.Area.width(), frame.LineHeight),
                       Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(line));
      y += frame.LineHeight;
    }
  }
  return static_cast<int>(pages.size());
}

void PrintTableAsked(QWidget* parent, const TPrintTable& table) {
  QPrinter printer;
  printer.setPageOrientation(table.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  QPrintDialog dialog(&printer, parent);
  dialog.setObjectName("dlgPrint");
  if (dialog.exec() != QDialog::Accepted) return;
  PrintTable(printer, table);
}

void PreviewTable(QWidget* parent, const TPrintTable& table, const QString& caption, bool maximized) {
  QPrinter printer;
  printer.setPageOrientation(table.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  QPrintPreviewDialog preview(&printer, parent);
  preview.setObjectName("dlgPrintPreview");
  preview.setWindowTitle(caption.isEmpty() ? table.Title : caption);
  if (maximized) preview.setWindowState(Qt::WindowMaximized);
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested,
                   [&table](QPrinter* target) { PrintTable(*target, table); });
  preview.exec();
}

void PreviewLines(QWidget* parent, const QString& title, const QStringList& lines, bool fixedPitch,
                  const QString& jobTitle) {
  const QString job = jobTitle.isEmpty() ? title : jobTitle;
  QPrinter setUp;
  setUp.setDocName(job);
  setUp.setPageOrientation(QPageLayout::Portrait);
  setUp.setPageMargins(QMarginsF(12.7, 12.7, 12.7, 12.7), QPageLayout::Millimeter);
  QPrintPreviewDialog preview(&setUp, parent);
  preview.setObjectName("dlgPrintPreview");
  preview.setWindowTitle(job);
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested,
                   [&](QPrinter* printer) { PrintLines(*printer, title, lines, fixedPitch); });
  preview.exec();
}

}  // namespace mailmoat
