#pragma once
// SSExp, the browser window of the source-control stand-in: the database's
// projects and files with their latest versions and check-outs, read-only.

#include <QMainWindow>
#include <string>
#include <vector>

#include "platform/vss/VssSession.h"

class QTreeWidget;

namespace velt::vss {

class TSSExplorerWindow : public QMainWindow {
public:
    // Columns of the tree.
    enum { NameColumn, VersionColumn, CheckoutsColumn };

    // listing: blocks of TVssSession::List from "$/", recursive.
    TSSExplorerWindow(const std::string& databaseFolder, const std::string& user,
                      const std::vector<TVssProjectListing>& listing, QWidget* parent = nullptr);
    QTreeWidget* Tree() const { return tree_; }

private:
    QTreeWidget* tree_;
};

// The check-outs column: "user (folder)" for each, joined by "; ".
std::string CheckoutsText(const std::vector<TVssCheckoutRow>& checkouts);

}  // namespace velt::vss
