#pragma once
// Shared fixtures of the interpreter tests: publishing host classes, a
// message sink that records lines, and helpers that run text.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "forth/Forth.h"
#include "foundation/CommMsg.h"
#include "foundation/tests/FoundationTestUtil.h"

namespace velt::test {

enum TShade : uint8_t { shLight, shDark, shBlack };

// Replaces the integer on top of the stack by its multiple.
inline void MultiplyTop(TForth& f, int32_t by) {
    TCell c;
    f.Pop(c);
    f.PushInteger(c.Value * by);
}

// A host object with a property of every kind the language handles.
class THost : public TPersistent, public ForthObject {
public:
    VELT_FORTH_CLASS(THost)
    std::string ClassName() const override { return "THost"; }

    int32_t Count = 0;
    TShade Shade = shLight;
    char Letter = 'a';
    std::string Short = "short";
    std::string Caption = "caption";
    double Ratio = 0.5;
    TObject* Child = nullptr;
    int32_t Fixed = 7;  // read-only
    int Calls = 0;

    void Hello(TForth& Sender) {
        ++Calls;
        Sender.PushString("hello");
    }
    void Twice(TForth& Sender) { MultiplyTop(Sender, 2); }
    void ShortWord(TForth& Sender) { Sender.PushString("short method"); }  // named like a property
};

inline const ClassInfo& THost::StaticForthClass() {
    static const PropInfo props[] = {
        OrdProp<THost, &THost::Count, &THost::Count>("Count"),
        EnumProp<THost, &THost::Shade, &THost::Shade>("Shade"),
        CharProp<THost, &THost::Letter, &THost::Letter>("Letter"),
        StrProp<THost, &THost::Short, &THost::Short>("Short", pkShortString),
        StrProp<THost, &THost::Caption, &THost::Caption>("Caption"),
        OtherProp("Ratio", pkFloat),
        ObjProp<THost, &THost::Child, &THost::Child>("Child"),
        OrdProp<THost, &THost::Fixed>("Fixed"),
    };
    static const MethodInfo methods[] = {
        WordMethod<THost, &THost::Hello>("Hello"),
        WordMethod<THost, &THost::Twice>("Twice"),
        WordMethod<THost, &THost::ShortWord>("Short"),
    };
    static const ClassInfo info{"THost", nullptr, props, methods};
    return info;
}

// Derived class: adds members, shadows one of its parent's methods and adds
// a method named like one of its parent's properties.
class TDerivedHost : public THost {
public:
    VELT_FORTH_CLASS(TDerivedHost)
    std::string ClassName() const override { return "TDerivedHost"; }
    int32_t Extra = 5;
    void Twice(TForth& Sender) { MultiplyTop(Sender, 3); }  // shadows THost's
    void CountWord(TForth& Sender) { Sender.PushString("count method"); }
};

inline const ClassInfo& TDerivedHost::StaticForthClass() {
    static const PropInfo props[] = {
        OrdProp<TDerivedHost, &TDerivedHost::Extra, &TDerivedHost::Extra>("Extra"),
    };
    static const MethodInfo methods[] = {
        WordMethod<TDerivedHost, &TDerivedHost::Twice>("Twice"),
        WordMethod<TDerivedHost, &TDerivedHost::CountWord>("Count"),
    };
    static const ClassInfo info{"TDerivedHost", &THost::StaticForthClass(), props, methods};
    return info;
}

// An object that publishes a method named like THost's property "Count".
class TOther : public TObject, public ForthObject {
public:
    VELT_FORTH_CLASS(TOther)
    int Runs = 0;
    void Count(TForth&) { ++Runs; }
    void Lines(TForth& Sender) { Sender.PushString("other lines"); }
};

inline const ClassInfo& TOther::StaticForthClass() {
    static const MethodInfo methods[] = {
        WordMethod<TOther, &TOther::Count>("Count"),
        WordMethod<TOther, &TOther::Lines>("Lines"),
    };
    static const ClassInfo info{"TOther", nullptr, {}, methods};
    return info;
}

// Records what reaches the message sink.
class TRecordingSink : public TMessageSink {
public:
    TRecordingSink() { previous_ = SetMessageSink(this); }
    ~TRecordingSink() override { SetMessageSink(previous_); }
    void Info(std::string_view text) override { Infos.emplace_back(text); }
    void Warning(std::string_view text) override { Infos.emplace_back(text); }
    void Line(std::string_view text) override { Lines.emplace_back(text); }
    bool Query(std::string_view) override { return false; }
    void Beep() override {}
    std::vector<std::string> Lines, Infos;

private:
    TMessageSink* previous_ = nullptr;
};

// Pops every cell and answers them top first, integers as numbers, strings
// in quotes, objects as "obj".
inline std::vector<std::string> Drain(TForth& f) {
    std::vector<std::string> out;
    while (f.Stack.Count() > 0) {
        TCell c;
        f.Pop(c);
        if (c.Kind == ckInteger)
            out.push_back(std::to_string(c.Value));
        else if (c.Kind == ckString)
            out.push_back("'" + c.S + "'");
        else
            out.push_back("obj");
    }
    return out;
}

// Pops the top cell and answers its object; null for a cell of another kind.
inline TObject* PopObject(TForth& f) {
    TCell c;
    f.Pop(c);
    return c.Object();
}

// The message of the exception that fn raises, or "" when none.
template <class E = Exception, class F>
std::string ErrorOf(F&& fn) {
    try {
        fn();
    } catch (const E& e) {
        return e.Message;
    }
    return "";
}

// Runs a program and answers the stack it left, top first.
inline std::vector<std::string> Exec(TForth& f, const std::string& program) {
    f.ExecForth(program);
    return Drain(f);
}

// The message of the E that running a program, or a word by name, raises.
template <class E>
std::string ExecError(TForth& f, const std::string& program) {
    return ErrorOf<E>([&] { f.ExecForth(program); });
}
template <class E>
std::string WordError(TForth& f, std::string_view name) {
    return ErrorOf<E>([&] { f.ExecWord(name); });
}

// Sets program text as a command file would, without a file: an empty
// stack, a trailing blank and the position at the start.
inline void Load(TForth& f, const std::string& text) {
    f.ClearStack();
    f.SetText(text + " ");
    f.Pos = 1;
}

using V = std::vector<std::string>;

}  // namespace velt::test
