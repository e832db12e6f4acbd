#pragma once

#include <QList>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>

class QMimeData;

namespace mailmoat {

// A document for mail from strangers: it never loads a resource. Every style sheet, image or
// other URL it is asked for gets empty data (and is recorded), and images are drawn as grey
// placeholder boxes by its own handler, since Qt's image handler would read a local path
// itself when the resource is empty.
class TInertDocument : public QTextDocument {
public:
  explicit TInertDocument(QObject* parent = nullptr);

  // Every URL the document was asked for, in order; each one got nothing.
  const QList<QUrl>& RequestedUrls() const { return Requested; }
  // How many image placeholders were painted since the document was made.
  int PlaceholdersDrawn() const;

protected:
  QVariant loadResource(int type, const QUrl& name) override;

private:
  QList<QUrl> Requested;
  class TPlaceholderImages* Images = nullptr;
};

// Shows mail as HTML or plain text in a TInertDocument: links do nothing when clicked, and
// copying or dragging a selection hands over plain text only (rich clipboard formats would
// let the receiving program, or Qt's own writers, fetch the images by path).
class TInertHtmlView : public QTextBrowser {
public:
  explicit TInertHtmlView(QWidget* parent = nullptr);

  TInertDocument* Document() const { return Doc; }

protected:
  QVariant loadResource(int type, const QUrl& name) override;
  QMimeData* createMimeDataFromSelection() const override;
  bool canInsertFromMimeData(const QMimeData*) const override { return false; }

private:
  TInertDocument* Doc = nullptr;
};

}  // namespace mailmoat
