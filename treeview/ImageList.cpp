#include "treeview/ImageList.h"

#include <algorithm>

namespace velt {

TImageList::TImageList(int width, int height) : width_(std::max(width, 1)), height_(std::max(height, 1)) {}

int TImageList::Add(const QPixmap& image) {
    images_.push_back(image.isNull() || image.size() == QSize(width_, height_)
                          ? image
                          : image.scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    Changed();
    return GetCount() - 1;
}

int TImageList::AddMasked(const QImage& strip, int32_t maskColor) {
    if (strip.isNull()) return -1;
    QImage image = strip.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = qRgb(maskColor & 0xFF, (maskColor >> 8) & 0xFF, (maskColor >> 16) & 0xFF) & 0xFFFFFF;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
    }
    const int first = GetCount();
    // A strip narrower than one image still gives one.
    const int count = std::max(1, image.width() / width_);
    for (int i = 0; i < count; ++i) {
        const QImage piece = image.copy(i * width_, 0, width_, image.height());
        images_.push_back(QPixmap::fromImage(
            piece.size() == QSize(width_, height_)
                ? piece
                : piece.scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    }
    Changed();
    return first;
}

void TImageList::Clear() {
    images_.clear();
    Changed();
}

QPixmap TImageList::GetImage(int index) const {
    return index >= 0 && index < GetCount() ? images_[size_t(index)] : QPixmap();
}

void TImageList::Assign(const TImageList& source) {
    if (&source == this) return;
    width_ = source.width_;
    height_ = source.height_;
    images_ = source.images_;
    Changed();
}

int TImageList::RegisterChanges(std::function<void()> onChange) {
    observers_.emplace_back(nextObserver_, std::move(onChange));
    return nextObserver_++;
}

void TImageList::UnRegisterChanges(int id) {
    std::erase_if(observers_, [id](const auto& o) { return o.first == id; });
}

void TImageList::Changed() {
    // An observer may unregister itself (or others) while being told.
    const auto observers = observers_;
    for (const auto& [id, onChange] : observers)
        if (onChange) onChange();
}

}  // namespace velt
