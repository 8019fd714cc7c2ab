#pragma once
// Pixel tests: small images as text, and larger ones against golden PNG
// files in a test data folder. A golden test that fails writes the image it
// got next to the run's temporary files and prints the path, so that a
// person can look; VELT_UPDATE_GOLDEN=1 writes the golden files instead of
// comparing.

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <string>

namespace velt::test {

// A white image of w x h.
inline QImage Blank(int w, int h) {
    QImage im(w, h, QImage::Format_RGB32);
    im.fill(Qt::white);
    return im;
}

// One character a pixel, a line a row: "." white, "#" black, "r" red,
// "b" blue, "?" any other colour.
inline std::string Art(const QImage& im) {
    static const std::map<QRgb, char> letters = {{0xFFFFFF, '.'}, {0x000000, '#'}, {0xFF0000, 'r'}, {0x0000FF, 'b'}};
    std::string s;
    for (int y = 0; y < im.height(); ++y) {
        for (int x = 0; x < im.width(); ++x) {
            auto it = letters.find(im.pixel(x, y) & 0xFFFFFF);
            s += it == letters.end() ? '?' : it->second;
        }
        s += '\n';
    }
    return s;
}

// The rows joined as Art writes them.
inline std::string Lines(std::initializer_list<const char*> rows) {
    std::string s;
    for (const char* r : rows) s += std::string(r) + "\n";
    return s;
}

inline ::testing::AssertionResult MatchesGolden(const QImage& actual, const std::string& dataDir,
                                                const std::string& name) {
    const QString golden = QString::fromStdString(dataDir + "/" + name + ".png");
    const QImage got = actual.convertToFormat(QImage::Format_RGB32);
    if (const char* update = std::getenv("VELT_UPDATE_GOLDEN"); update && std::string(update) == "1") {
        QDir().mkpath(QString::fromStdString(dataDir));
        if (!got.save(golden)) return ::testing::AssertionFailure() << "cannot write " << golden.toStdString();
        return ::testing::AssertionSuccess();
    }
    const QImage want = QImage(golden).convertToFormat(QImage::Format_RGB32);
    std::string why;
    if (want.isNull()) why = "no golden image " + golden.toStdString();
    else if (want.size() != got.size()) why = "the size differs from " + golden.toStdString();
    for (int y = 0; why.empty() && y < got.height(); ++y)
        for (int x = 0; why.empty() && x < got.width(); ++x)
            if ((got.pixel(x, y) & 0xFFFFFF) != (want.pixel(x, y) & 0xFFFFFF))
                why = "first difference at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
    if (why.empty()) return ::testing::AssertionSuccess();
    const std::string out = ::testing::TempDir() + name + ".actual.png";
    got.save(QString::fromStdString(out));
    return ::testing::AssertionFailure() << name << ": " << why << "; the image drawn is " << out;
}

}  // namespace velt::test
