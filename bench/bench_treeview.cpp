// The tree view expanding an ID-list node with many children in a shown
// view: the first expansion makes every child node and item, the second
// merges an unchanged list into the children that are there.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>

#include "foundation/IDList.h"
#include "treeview/GeneralTreeView.h"
#include "treeview/IDNode.h"

using namespace velt;

namespace {

// Children 1..Count, each itself a list node whose list is empty (a class
// without descendants: one fetch each, to know it has no button).
class TBenchNode : public TIDListNode {
public:
    using TIDListNode::TIDListNode;
    std::unique_ptr<TGeneralNode> NewInstance() const override { return std::make_unique<TBenchNode>(); }
    std::unique_ptr<TIDList> GetIDList() override {
        auto list = std::make_unique<T2IntList>();
        for (int i = 1; i <= Count; ++i) list->Add2Int(i, i);
        return list;
    }
    std::unique_ptr<TIDNode> CreateNodeByInfo(const void* Info) override {
        T2IntRec r;
        std::memcpy(&r, Info, sizeof r);
        auto node = std::make_unique<TBenchNode>(this);
        node->SetText("TClass" + std::to_string(r.ID));
        node->ImageIndex = 3;
        return node;
    }
    int Count = 0;
};

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_treeview";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

TBenchNode* NewRoot(T__GeneralTreeView& view, int count) {
    auto root = std::make_unique<TBenchNode>();
    root->SetText("Root");
    root->Count = count;
    TBenchNode* r = root.get();
    view.SetNode0(std::move(root)).reset();
    return r;
}

void BM_ExpandNode(benchmark::State& state) {
    App();
    T__GeneralTreeView view;
    view.resize(300, 600);
    view.show();
    for (auto _ : state) {
        state.PauseTiming();
        TBenchNode* root = NewRoot(view, int(state.range(0)));
        QApplication::processEvents();
        state.ResumeTiming();
        root->GetItemHandle()->setExpanded(true);
        QApplication::processEvents();  // the view lays the rows out
    }
}
BENCHMARK(BM_ExpandNode)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_ExpandNodeAgain(benchmark::State& state) {
    App();
    T__GeneralTreeView view;
    view.resize(300, 600);
    view.show();
    TBenchNode* root = NewRoot(view, int(state.range(0)));
    root->GetItemHandle()->setExpanded(true);
    for (auto _ : state) {
        state.PauseTiming();
        root->GetItemHandle()->setExpanded(false);
        QApplication::processEvents();
        state.ResumeTiming();
        root->GetItemHandle()->setExpanded(true);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ExpandNodeAgain)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
