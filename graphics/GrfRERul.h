#pragma once
// A horizontal ruler over a rich-text edit: the first-line indent, the left
// and right margins and up to 20 tab stops of the current paragraph, in
// pixels from the ruler's null position. Markers move with the mouse in
// steps of 5 pixels; a click on free ruler space adds a tab stop, and a tab
// dragged to 0 or below goes at the release. LoadFromRE and SaveToRE move
// the values between the ruler and the paragraphs of the edit's selection.

#include <QPointer>
#include <QTextEdit>
#include <array>
#include <cstdint>
#include <memory>

#include "platform/ui/Controls.h"



namespace velt {

enum TRishRullerMode : uint8_t { rrNone, rrFirstLine, rrLeftMargin, rrRightMargin, rrTab };

class TRichRuller : public TCustomPanel {
    Q_OBJECT
    Q_PROPERTY(int PageWidth READ GetPageWidth WRITE SetPageWidth)
    Q_PROPERTY(QWidget* RichEdit READ GetRichEditWidget WRITE SetRichEditWidget)
    Q_PROPERTY(int FirstLine READ GetFirstLine WRITE SetFirstLine)
    Q_PROPERTY(int LeftMargin READ GetLeftMargin WRITE SetLeftMargin)
    Q_PROPERTY(int RightMargin READ GetRightMargin WRITE SetRightMargin)
    Q_PROPERTY(bool Tracking READ GetTracking WRITE SetTracking)
    Q_PROPERTY(int TabCount READ GetTabCount WRITE SetTabCount)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(bool Visible READ isVisible WRITE setVisible)
    Q_PROPERTY(bool ShowHint READ GetShowHint WRITE SetShowHint)
    Q_PROPERTY(bool ParentShowHint READ GetParentShowHint WRITE SetParentShowHint)

public:
    static constexpr int32_t MaxTabs = 20;

    explicit TRichRuller(QWidget* parent = nullptr);
    ~TRichRuller() override;
    static std::unique_ptr<TRichRuller> Create(QWidget* parent = nullptr);

    int32_t GetNullPos() const { return nullPos_; }
    void SetNullPos(int32_t v);
    int32_t GetPageWidth() const { return pageWidth_; }
    void SetPageWidth(int32_t v);
    int32_t GetFirstLine() const { return firstLine_; }
    // Never negative.
    void SetFirstLine(int32_t v);
    int32_t GetLeftMargin() const { return leftMargin_; }
    // Within 0 .. PageWidth - RightMargin; while the left margin is dragged
    // the first line moves with it.
    void SetLeftMargin(int32_t v);
    int32_t GetRightMargin() const { return rightMargin_; }
    // Within 0 .. PageWidth - LeftMargin, measured from PageWidth leftwards.
    void SetRightMargin(int32_t v);
    int32_t GetTabCount() const { return tabCount_; }
    // Within 0..20.
    void SetTabCount(int32_t n);
    // Tab i (0 outside 0..20; the 21st slot takes a write past 20 stops).
    int32_t GetTabs(int32_t i) const;
    // A negative i is ignored; i past TabCount grows it (up to 20).
    void SetTabs(int32_t i, int32_t v);
    bool GetTracking() const { return tracking_; }
    void SetTracking(bool on) { tracking_ = on; }
    QTextEdit* GetRichEdit() const { return richEdit_.data(); }
    // SetRE: the edit, then UpdateNullPos.
    void SetRE(QTextEdit* edit);
    bool GetShowHint() const { return showHint_; }
    void SetShowHint(bool on) { showHint_ = on; }
    bool GetParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool on) { parentShowHint_ = on; }

    TRishRullerMode Mode() const { return mode_; }
    int32_t SelectedTab() const { return selectedTab_; }
    bool Modified() const { return modified_; }

    // The edit's text area: NullPos at its left edge, PageWidth its width.
    // Nothing without an edit.
    void UpdateNullPos();
    // The strip of columns NullPos + p +- 5 (p = -1000: the whole ruler);
    // nothing while loading.
    void Invalidate(int32_t p);
    void InvalidateAll() { Invalidate(-1000); }
    // OnChanged when something changed since the last call, then the repaint.
    void Change();
    // What the mouse at (x, y) would drag; sets Mode and the selected tab.
    TRishRullerMode FindMode(int32_t x, int32_t y);

    // Paragraph values in whole points into the ruler and back; scale below
    // 0.1 counts as 1. Nothing without an edit. Loading takes the margins
    // as the paragraph has them (only a negative one becomes 0); dragging
    // keeps them within the page.
    void LoadFromRE(QTextEdit* edit, double scale);
    void SaveToRE(QTextEdit* edit, double scale);

    std::function<void(QObject*)> OnChanged;

protected:
    void Paint() override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QWidget* GetRichEditWidget() const;
    void SetRichEditWidget(QWidget* edit);
    void MarkModified() { modified_ = true; }

    int32_t nullPos_ = 10;
    int32_t pageWidth_ = 0;
    int32_t firstLine_ = 0;
    int32_t leftMargin_ = 0;
    int32_t rightMargin_ = 0;
    QPointer<QTextEdit> richEdit_;
    int32_t tabCount_ = 0;
    std::array<int32_t, MaxTabs + 1> tabs_{};
    TRishRullerMode mode_ = rrNone;
    bool modified_ = false;
    int32_t selectedTab_ = 0;
    bool tracking_ = false;
    bool showHint_ = false;
    bool parentShowHint_ = true;
};

// The two marker bitmaps are loaded on first use and shared by every ruler;
// this frees them (graphics shut-down).
void FreeRullerBitmaps();

}  // namespace velt
