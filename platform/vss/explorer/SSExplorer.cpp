#include "platform/vss/explorer/SSExplorer.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <map>

#include "platform/vss/VssNames.h"

namespace velt::vss {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

std::string CheckoutsText(const std::vector<TVssCheckoutRow>& checkouts) {
    std::string text;
    for (const TVssCheckoutRow& c : checkouts) text += (text.empty() ? "" : "; ") + c.User + " (" + c.Folder + ")";
    return text;
}

TSSExplorerWindow::TSSExplorerWindow(const std::string& databaseFolder, const std::string& user,
                                     const std::vector<TVssProjectListing>& listing, QWidget* parent)
    : QMainWindow(parent), tree_(new QTreeWidget(this)) {
    setWindowTitle(Q("SourceSafe Explorer - " + databaseFolder + " (" + user + ")"));
    tree_->setHeaderLabels({"Name", "Version", "Checked out by"});
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->header()->setSectionResizeMode(NameColumn, QHeaderView::ResizeToContents);
    setCentralWidget(tree_);

    // Blocks come depth-first, so a project's item exists before its block.
    std::map<std::string, QTreeWidgetItem*> projects;
    auto* root = new QTreeWidgetItem(tree_, QStringList{"$/"});
    projects["$/"] = root;
    for (const TVssProjectListing& block : listing) {
        auto it = projects.find(FoldName(block.Spec));
        QTreeWidgetItem* parent = it != projects.end() ? it->second : root;
        for (const TVssListEntry& e : block.Items) {
            auto* item = new QTreeWidgetItem(parent, QStringList{Q(e.Name)});
            if (e.Type == VSSITEM_PROJECT) {
                projects[FoldName(JoinSpec(block.Spec, e.Name))] = item;
            } else {
                item->setText(VersionColumn, QString::number(e.Version));
                item->setText(CheckoutsColumn, Q(CheckoutsText(e.Checkouts)));
            }
        }
    }
    tree_->expandAll();
    resize(640, 480);
}

}  // namespace velt::vss
