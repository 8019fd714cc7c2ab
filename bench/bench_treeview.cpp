// The tree view expanding an ID-list node with many children in a shown
// view: the first expansion makes every child node and item, the second
// merges an unchanged list into the children that are there. Then whole
// subtrees opened in one go by the "*" key (goal: 8,191 nodes under
// 100 ms), ID-list merges whose entries moved (goal: 10,000 reversed under
// 50 ms), and closing a node of 50,000 children with one of them selected.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "bench/BenchApp.h"
#include <QKeyEvent>
#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

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

QApplication& App() { return velt::bench::BenchApp(); }

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

// A node that loads Fanout children of one level less, down to leaves.
class TLevelNode : public TGeneralNode {
public:
    TLevelNode(TGeneralNode* owner, std::vector<int> fanouts) : TGeneralNode(owner), fanouts_(std::move(fanouts)) {}
    bool GetCanExpand() override { return !fanouts_.empty(); }
    void Expand() override {
        if (fanouts_.empty()) return;
        const std::vector<int> below(fanouts_.begin() + 1, fanouts_.end());
        for (int i = 0; i < fanouts_[0]; ++i) {
            auto child = std::make_unique<TLevelNode>(this, below);
            child->SetText(GetText() + "." + std::to_string(i));
            AddNode(std::move(child));
        }
        Expanded = true;
    }

private:
    std::vector<int> fanouts_;
};

int CountNodes(const TGeneralNode* node) {
    int n = 1;
    for (int i = 0; i < node->GetSubnodeCount(); ++i) n += CountNodes(node->GetNodes(i));
    return n;
}

// "*" on the expanded root of a tree with the given fan-outs per level.
void StarKey(benchmark::State& state, const std::vector<int>& fanouts) {
    App();
    T__GeneralTreeView view;
    view.resize(300, 600);
    view.show();
    int nodes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto root = std::make_unique<TLevelNode>(nullptr, fanouts);
        root->SetText("Root");
        TGeneralNode* r = root.get();
        view.SetNode0(std::move(root)).reset();
        r->GetItemHandle()->setExpanded(true);
        view.setCurrentItem(r->GetItemHandle());
        QApplication::processEvents();
        state.ResumeTiming();
        QKeyEvent star(QEvent::KeyPress, Qt::Key_Asterisk, Qt::NoModifier, "*");
        QApplication::sendEvent(&view, &star);
        QApplication::processEvents();  // the view lays the rows out
        state.PauseTiming();
        nodes = CountNodes(r);
        view.SetNode0(nullptr).reset();
        state.ResumeTiming();
    }
    state.counters["nodes"] = nodes;
}

// Binary trees: 8,191 and 65,535 nodes.
void BM_StarKeyBinary(benchmark::State& state) { StarKey(state, std::vector<int>(size_t(state.range(0)), 2)); }
BENCHMARK(BM_StarKeyBinary)->Arg(12)->Arg(15)->Unit(benchmark::kMillisecond)->Iterations(1);

// Shaped like the Units tab: 2,000 modules of 10 classes each.
void BM_StarKeyUnits(benchmark::State& state) { StarKey(state, {2000, 10}); }
BENCHMARK(BM_StarKeyUnits)->Unit(benchmark::kMillisecond)->Iterations(1);

// A node whose list is Order; not shown, so moved entries keep their nodes.
class TOrderNode : public TIDListNode {
public:
    using TIDListNode::TIDListNode;
    std::unique_ptr<TIDList> GetIDList() override {
        auto list = std::make_unique<T2IntList>();
        for (int id : Order) list->Add2Int(id, id);
        return list;
    }
    std::unique_ptr<TIDNode> CreateNodeByInfo(const void*) override { return std::make_unique<TOrderNode>(this); }
    std::vector<int> Order;
};

// Merges 1..N, then the same entries reversed.
void BM_MergeReversed(benchmark::State& state) {
    const int n = int(state.range(0));
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 1);
    for (auto _ : state) {
        state.PauseTiming();
        TOrderNode node;
        node.Order = order;
        node.Update();
        std::reverse(node.Order.begin(), node.Order.end());
        state.ResumeTiming();
        node.Update();
        state.PauseTiming();
        benchmark::DoNotOptimize(node.GetSubnodeCount());
        node.ClearOldList();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MergeReversed)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same in a shown view, where every moved entry gets its node again;
// and a shuffled list.
void MergeShown(benchmark::State& state, bool shuffle) {
    App();
    const int n = int(state.range(0));
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 1);
    T__GeneralTreeView view;
    view.resize(300, 600);
    view.show();
    for (auto _ : state) {
        state.PauseTiming();
        auto root = std::make_unique<TOrderNode>();
        root->SetText("Root");
        root->Order = order;
        TOrderNode* r = root.get();
        view.SetNode0(std::move(root)).reset();
        r->GetItemHandle()->setExpanded(true);
        QApplication::processEvents();
        if (shuffle)
            std::shuffle(r->Order.begin(), r->Order.end(), std::mt19937(17));
        else
            std::reverse(r->Order.begin(), r->Order.end());
        state.ResumeTiming();
        r->Update();
        QApplication::processEvents();
        state.PauseTiming();
        view.SetNode0(nullptr).reset();
        state.ResumeTiming();
    }
}
void BM_MergeReversedShown(benchmark::State& state) { MergeShown(state, false); }
BENCHMARK(BM_MergeReversedShown)->Arg(10000)->Unit(benchmark::kMillisecond);
void BM_MergeShuffledShown(benchmark::State& state) { MergeShown(state, true); }
BENCHMARK(BM_MergeShuffledShown)->Arg(10000)->Unit(benchmark::kMillisecond);

// Collapsing a node whose children are freed, with a child in the middle
// selected.
void BM_CollapseWithSelectedChild(benchmark::State& state) {
    App();
    T__GeneralTreeView view;
    view.resize(300, 600);
    view.show();
    int changes = 0;
    view.OnChange = [&](T__GeneralTreeView*, TGeneralNode*) { ++changes; };
    for (auto _ : state) {
        state.PauseTiming();
        auto root = std::make_unique<TLevelNode>(nullptr, std::vector<int>{int(state.range(0))});
        root->SetText("Root");
        TGeneralNode* r = root.get();
        view.SetNode0(std::move(root)).reset();
        r->GetItemHandle()->setExpanded(true);
        view.SetSelection(r->GetNodes(r->GetSubnodeCount() / 2));
        QApplication::processEvents();
        changes = 0;
        state.ResumeTiming();
        r->GetItemHandle()->setExpanded(false);
        QApplication::processEvents();
        state.PauseTiming();
        view.SetNode0(nullptr).reset();
        state.ResumeTiming();
    }
    state.counters["changes"] = changes;
}
BENCHMARK(BM_CollapseWithSelectedChild)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace
