#include "ui/common/InertHtmlView.h"

#include <QAbstractTextDocumentLayout>
#include <QMimeData>
#include <QPainter>
#include <QTextDocumentFragment>
#include <QTextFormat>
#include <QTextObjectInterface>

#include <algorithm>
#include <cstring>

namespace mailmoat {

namespace {

constexpr int DefaultImageSide = 32;
// A message may ask for an image of any size; the box stays within a screenful.
constexpr qreal MaxImageWidth = 800;
constexpr qreal MaxImageHeight = 600;

}  // namespace

// Replaces Qt's image handler on the document's layout. The build runs no moc, so the
// interface cast that registerHandler makes (qobject_cast to QTextObjectInterface) is
// answered by hand in qt_metacast.
class TPlaceholderImages : public QObject, public QTextObjectInterface {
public:
  explicit TPlaceholderImages(QObject* parent) : QObject(parent) {}

  void* qt_metacast(const char* name) override {
    if (name != nullptr && std::strcmp(name, qobject_interface_iid<QTextObjectInterface*>()) == 0)
      return static_cast<QTextObjectInterface*>(this);
    return QObject::qt_metacast(name);
  }

  QSizeF intrinsicSize(QTextDocument*, int, const QTextFormat& format) override {
    const QTextImageFormat image = format.toImageFormat();
    qreal width = image.width() > 0 ? image.width() : 0;
    qreal height = image.height() > 0 ? image.height() : 0;
    if (width <= 0) width = height > 0 ? height : DefaultImageSide;
    if (height <= 0) height = width;
    return {std::clamp<qreal>(width, 1, MaxImageWidth), std::clamp<qreal>(height, 1, MaxImageHeight)};
  }

  void drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int, const QTextFormat&) override {
    ++Drawn;
    painter->save();
    painter->setPen(QColor(150, 150, 150));
    painter->setBrush(QColor(220, 220, 220));
    painter->drawRect(rect.adjusted(0, 0, -1, -1));
    painter->restore();
  }

  int Drawn = 0;
};

TInertDocument::TInertDocument(QObject* parent) : QTextDocument(parent) {
  Images = new TPlaceholderImages(this);
  documentLayout()->registerHandler(QTextFormat::ImageObject, Images);
  // Consulted only when loadResource gives nothing; set anyway, so that no program-wide
  // default provider can answer for this document.
  setResourceProvider([](const QUrl&) { return QVariant(); });
}

int TInertDocument::PlaceholdersDrawn() const {
  return Images->Drawn;
}

QVariant TInertDocument::loadResource(int, const QUrl& name) {
  Requested.push_back(name);
  return {};
}

TInertHtmlView::TInertHtmlView(QWidget* parent) : QTextBrowser(parent) {
  Doc = new TInertDocument(this);
  setDocument(Doc);
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setUndoRedoEnabled(false);
  setAcceptDrops(false);
}

QVariant TInertHtmlView::loadResource(int, const QUrl&) {
  return {};
}

QMimeData* TInertHtmlView::createMimeDataFromSelection() const {
  auto* data = new QMimeData;
  QString text = textCursor().selection().toPlainText();
  text.remove(QChar::ObjectReplacementCharacter);
  data->setText(text);
  return data;
}

}  // namespace mailmoat
