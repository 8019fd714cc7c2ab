#pragma once
// A list of images of one size, referred to by index (item images of the
// tree view). Holders that show its images register for its changes.

#include <QObject>
#include <QImage>
#include <QPixmap>
#include <cstdint>
#include <functional>
#include <vector>

namespace velt {

class TImageList : public QObject {
public:
    explicit TImageList(int width = 16, int height = 16);
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    int GetCount() const { return int(images_.size()); }
    // Appends an image, scaled to the list's size; its index.
    int Add(const QPixmap& image);
    // Cuts the strip into images of the list's width, pixels of the colour
    // transparent (0x00BBGGRR), and appends them; the index of the first,
    // -1 for an empty strip.
    int AddMasked(const QImage& strip, int32_t maskColor);
    void Clear();
    // The image at index; a null pixmap outside the list.
    QPixmap GetImage(int index) const;
    // Size and images of source.
    void Assign(const TImageList& source);

    // onChange runs after every change; the answer unregisters it.
    int RegisterChanges(std::function<void()> onChange);
    void UnRegisterChanges(int id);

private:
    void Changed();
    int width_;
    int height_;
    std::vector<QPixmap> images_;
    std::vector<std::pair<int, std::function<void()>>> observers_;
    int nextObserver_ = 1;
};

}  // namespace velt
