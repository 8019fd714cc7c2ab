#include "foundation/Dialogs.h"

#include <iostream>

#include "foundation/CommMsg.h"

namespace velt {

namespace {

class TConsoleDialogPort : public TDialogPort {
public:
    bool Confirm(const std::string& text) override { return Query(text); }
    bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override {
        GetMessageSink().Line(caption + ": " + prompt + " [" + value + "]");
        std::string line;
        if (!std::getline(std::cin, line)) return false;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) value = line;
        return true;
    }
    int RefreshHeader(const std::string&, const std::string&, const std::string&, const std::string&, bool) override {
        return mrCancel;
    }
    int ChooseTemplate(const std::vector<TTemplateItem>&) override { return -1; }
};

TConsoleDialogPort& ConsolePort() {
    static TConsoleDialogPort port;
    return port;
}

TDialogPort* current = nullptr;

}  // namespace

TDialogPort* SetDialogPort(TDialogPort* port) {
    TDialogPort* previous = current;
    current = port;
    return previous;
}

TDialogPort& GetDialogPort() { return current ? *current : ConsolePort(); }

bool TScriptedDialogPort::Confirm(const std::string& text) {
    Log.push_back("Confirm: " + text);
    if (Confirms.empty()) return false;
    bool r = Confirms.front();
    Confirms.pop_front();
    return r;
}

bool TScriptedDialogPort::InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
    Log.push_back("Input: " + caption + "|" + prompt + "|" + value);
    if (Inputs.empty()) return false;
    auto [ok, v] = Inputs.front();
    Inputs.pop_front();
    if (ok) value = v;
    return ok;
}

int TScriptedDialogPort::RefreshHeader(const std::string& className, const std::string& method,
                                       const std::string& intfHeader, const std::string& implHeader,
                                       bool intfDefault) {
    Log.push_back("RefreshHeader: " + className + "::" + method + "|" + intfHeader + "|" + implHeader + "|" +
                  (intfDefault ? "intf" : "impl"));
    if (RefreshResults.empty()) return mrCancel;
    int r = RefreshResults.front();
    RefreshResults.pop_front();
    return r;
}

int TScriptedDialogPort::ChooseTemplate(const std::vector<TTemplateItem>& items) {
    std::string names;
    for (size_t i = 0; i < items.size(); ++i) names += (i ? "," : "") + items[i].Name;
    Log.push_back("Choose: " + names);
    if (Choices.empty()) return -1;
    int r = Choices.front();
    Choices.pop_front();
    return r;
}

}  // namespace velt
