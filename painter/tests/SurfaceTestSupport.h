#pragma once
// A surface of a given size on a parent widget (invalidation needs one),
// with the painter started for the stroked font.

#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <memory>

#include "painter/GrfPaint.h"
#include "painter/PainterUnits.h"

namespace velt::test {

class SurfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        PainterStartup();
        parent = std::make_unique<QWidget>();
        parent->resize(W, H);
        box = new TGraphPaint(parent.get());
        box->resize(W, H);
        box->Update();
    }
    void TearDown() override {
        parent.reset();
        PainterShutdown();
    }
    // Draws with f on the surface and answers its image.
    template <class F>
    QImage Drawn(F f) {
        box->OnPaint = [f](TGraphPaint* p) { f(*p); };
        box->Invalidate();
        box->Update();
        box->OnPaint = nullptr;
        return box->Image().copy();
    }
    // The colour of a pixel of the surface's image, as 0xRRGGBB.
    unsigned Px(int x, int y) const { return box->Image().pixel(x, y) & 0xFFFFFF; }
    int W = 200, H = 100;
    std::unique_ptr<QWidget> parent;
    TGraphPaint* box = nullptr;
};

}  // namespace velt::test
