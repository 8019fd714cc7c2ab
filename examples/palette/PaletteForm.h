#pragma once
// The palette host's window: a tab per page of the component palette, in
// its order, each a form with every class of the page made through the
// palette and labelled, and a tab "Not on the palette" for the controls no
// page holds. Components are named as a form designer names them
// ("GraphSelectColor1"), so that they can be found by name.

#include <QLabel>
#include <QPointer>
#include <QTabWidget>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "foundation/ComPtr.h"

namespace velt {

class TCompList;
class TGraphPaint;
class IGenericTirneForm;
class TNewDocWizard;
class TTopicSheetHost;

class TPaletteForm : public QWidget {
    Q_OBJECT
public:
    static constexpr char kOtherPage[] = "Not on the palette";
    static constexpr char kSurfacePage[] = "Drawing surface";
    static constexpr char kFormsPage[] = "Forms";

    TPaletteForm();
    ~TPaletteForm() override;

    // "New Documentation Project...": runs the wizard, then shows its choices.
    void NewDocumentationProject();
    // "Topic Properties...": a new sheet, shown through the host's window manager.
    void TopicProperties();
    // Opens the form of that name ("NewDocWizard", "TopicProperties") without
    // waiting for it; null for another name.
    QWidget* OpenForm(const std::string& name);
    QLabel* Choices() const { return choices_; }

    QTabWidget* Tabs() const { return tabs_; }
    // The tab's page names, in order.
    std::vector<std::string> PageNames() const;
    // The classes made on a page, in order (a class made twice is listed twice).
    std::vector<std::string> ClassesOn(const std::string& page) const;
    // Shows the tab of that page; false when there is none.
    bool ShowPage(const std::string& page);
    // The group of every control on the palette's tabs.
    TCompList* PaletteControls() const { return palettePages_; }
    // The component of that name, or null.
    QWidget* Component(const std::string& name) const;
    // Shows the picker's page and opens its popup; an error text when the
    // name is no picker or the popup did not open.
    std::string DropDown(const std::string& name);
    // The window as it shows, with every open popup composed in.
    QImage Screenshot();
    // The surface of the page "Drawing surface".
    TGraphPaint* Surface() const { return surface_; }

private:
    QWidget* AddPage(const std::string& name);
    void FillPickerPage(QWidget* page, const std::string& pageName);
    void FillRxPage(QWidget* page, const std::string& pageName);
    void FillVarnoPage(QWidget* page, const std::string& pageName);
    // The currency edit, and a check box that sets Enabled of every control
    // on the other tabs through one broadcast of a component group.
    void FillOtherPage(QWidget* page);
    // The wizard and the property sheet of the help generator's forms.
    void FillFormsPage(QWidget* page);
    // Names the component as a designer would and counts it as made.
    void Name(QWidget* component, const std::string& pageName);
    // A label at the left of row y and the component at (x, y).
    void Place(QWidget* page, const std::string& pageName, QWidget* component, const std::string& label, int x,
               int y);
    std::string NewName(const std::string& className);

    QTabWidget* tabs_;
    TGraphPaint* surface_ = nullptr;
    struct Made {
        std::string Page;
        std::string Class;
        QPointer<QWidget> Component;
    };
    std::vector<Made> made_;
    TCompList* palettePages_ = nullptr;  // owned by the form
    QPointer<QLabel> choices_;
    std::unique_ptr<TNewDocWizard> wizard_;
    std::unique_ptr<TTopicSheetHost> topicHost_;
};

}  // namespace velt
