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
