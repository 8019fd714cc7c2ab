#pragma once
// The Qt implementation of the foundation's dialog port: a Yes/No
// confirmation box, an input box, the header-refresh form and the template
// chooser. Every dialog runs through the dialog runner.

#include <QDialog>
#include <QPoint>
#include <QPointer>
#include <string>
#include <vector>

#include "foundation/Dialogs.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace velt {

// Offers to make a method's declaration and implementation headers agree.
// Closes with 3 (rewrite the declaration from the implementation), 5 (the
// other way round) or 2 (Cancel, also Escape). Clicking a header's group or
// label takes that header as the right one.
class TRefreshHeaderForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int RefreshIntf = 3;
    static constexpr int RefreshImpl = 5;
    static constexpr int Cancelled = mrCancel;

    explicit TRefreshHeaderForm(QWidget* parent = nullptr);
    void SetHeaders(const std::string& className, const std::string& method, const std::string& intfHeader,
                    const std::string& implHeader, bool intfDefault);
    void reject() override;

    QGroupBox* IntfGroup;
    QGroupBox* ImplGroup;
    QLabel* laIntf;
    QLabel* laImpl;
    QPushButton* IntfButton;
    QPushButton* ImplButton;
    QPushButton* CancelButton;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The borderless template list. Enter or a double click accepts the
// selected row; Escape or leaving the form cancels.
class TFCTForm : public QDialog {
    Q_OBJECT
public:
    explicit TFCTForm(QWidget* parent = nullptr);
    // One row per item, in the order given; the first row starts selected.
    void SetItems(const std::vector<TTemplateItem>& items);
    // The index of the selected item, or -1.
    int ChosenIndex() const;
    void done(int result) override;

    QTreeWidget* TemplatesList;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool closing_ = false;
};

// Where the template chooser opens: 150 pixels below the text caret of the
// focused widget, or below the mouse pointer when no text widget has focus.
QPoint TemplateChooserPlace();

class TQtDialogPort : public TDialogPort {
public:
    // parent owns the dialogs; without one, the active window does.
    explicit TQtDialogPort(QWidget* parent = nullptr);

    bool Confirm(const std::string& text) override;
    bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
    int RefreshHeader(const std::string& className, const std::string& method, const std::string& intfHeader,
                      const std::string& implHeader, bool intfDefault) override;
    int ChooseTemplate(const std::vector<TTemplateItem>& items) override;

private:
    QWidget* Owner() const;
    QPointer<QWidget> parent_;
};

}  // namespace velt
