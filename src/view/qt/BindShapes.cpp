// Progress bars (marquee included), shapes and pictures.
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>

#include "view/qt/Bindings.h"
#include "view/qt/JpegImage.h"

namespace bx::view {

namespace {

class ProgressBinding : public Binding {
 public:
  ProgressBinding(ViewContext& ctx, ui::TProgressBar& m, QWidget* parent)
      : Binding(ctx, m, new QProgressBar(parent)), m_(m), w_(static_cast<QProgressBar*>(Widget())) {
    w_->setTextVisible(false);
  }

 protected:
  void RefreshOwn() override {
    const auto o = m_.Vertical ? Qt::Vertical : Qt::Horizontal;
    if (w_->orientation() != o) w_->setOrientation(o);
    if (m_.BarStyle() == ui::TProgressBar::Style::Marquee) {
      // A range of 0..0 is Qt's busy indicator.
      if (w_->maximum() != 0 || w_->minimum() != 0) w_->setRange(0, 0);
      return;
    }
    if (w_->minimum() != m_.Min() || w_->maximum() != m_.Max()) w_->setRange(m_.Min(), std::max(m_.Min(), m_.Max()));
    if (w_->value() != m_.Position()) w_->setValue(m_.Position());
  }

 private:
  ui::TProgressBar& m_;
  QProgressBar* w_;
};

class ShapeWidget : public QWidget {
 public:
  ShapeWidget(ui::TShape& m, QWidget* parent) : QWidget(parent), m_(m) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ToQColor(m_.PenColor), 1));
    p.setBrush(ToQColor(m_.BrushColor()));
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (m_.Circle) {
      // A circle fills the shorter side, centred in the longer one.
      const qreal d = std::min(r.width(), r.height());
      p.drawEllipse(QRectF(r.center().x() - d / 2, r.center().y() - d / 2, d, d));
    } else {
      p.drawRect(r);
    }
  }

 private:
  ui::TShape& m_;
};

class ShapeBinding : public Binding {
 public:
  ShapeBinding(ViewContext& ctx, ui::TShape& m, QWidget* parent) : Binding(ctx, m, new ShapeWidget(m, parent)) {}

 protected:
  void RefreshOwn() override { Widget()->update(); }
};

class ImageBinding : public Binding {
 public:
  ImageBinding(ViewContext& ctx, ui::TImage& m, QWidget* parent)
      : Binding(ctx, m, new QLabel(parent)), m_(m), w_(static_cast<QLabel*>(Widget())) {}

 protected:
  void RefreshOwn() override {
    if (m_.Picture != shownPicture_) {
      shownPicture_ = m_.Picture;
      const QImage image = DecodeJpeg(shownPicture_);
      if (image.isNull())
        w_->clear();
      else
        w_->setPixmap(QPixmap::fromImage(image));
    }
    const Qt::Alignment a = m_.Center ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignTop);
    if (w_->alignment() != a) w_->setAlignment(a);
  }

 private:
  ui::TImage& m_;
  QLabel* w_;
  std::string shownPicture_;
};

}  // namespace

std::unique_ptr<Binding> BindProgressBar(ViewContext& ctx, ui::TProgressBar& m, QWidget* p) {
  return std::make_unique<ProgressBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindShape(ViewContext& ctx, ui::TShape& m, QWidget* p) {
  return std::make_unique<ShapeBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindImage(ViewContext& ctx, ui::TImage& m, QWidget* p) {
  return std::make_unique<ImageBinding>(ctx, m, p);
}

}  // namespace bx::view
