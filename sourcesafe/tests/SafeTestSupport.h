#pragma once
// A temporary installation for the SourceSafe tests: the registry and
// installation folders of the services tests, a database with the users Ann
// ("annpw") and Bob ("bobpw"), a project folder imported into it under the
// item path of its own path, the settings that point the package at both, and a
// dialog runner that answers each dialog from a script.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <deque>
#include <filesystem>
#include <functional>

#include "foundation/Dialogs.h"
#include "foundation/StrUtils.h"
#include "platform/ide/PackageLoader.h"
#include "platform/ui/ConsoleWindow.h"
#include "services/Package.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/TimerSource.h"
#include "platform/vss/LocalFiles.h"
#include "platform/vss/SrcSafeIni.h"
#include "platform/vss/VssSession.h"
#include "services/tests/ServicesTestSupport.h"
#include "sourcesafe/SafeForms.h"
#include "sourcesafe/SourceSafeServices.h"

namespace velt::test {

// The clock of a stand-in client: time stands still until the client has
// left its ready file (once it has set up its traps), jumps to the time
// limit, and from there moves on by step at every look. The file is not
// there yet when the run starts.
class TClientClock : public TManualTimerSource {
public:
    TClientClock(std::string readyFile, int64_t limit, int64_t step)
        : readyFile_(std::move(readyFile)), limit_(limit), step_(step) {}
    int64_t NowMs() override {
        if (now_ == 0 && std::filesystem::exists(readyFile_)) now_ = limit_;
        else if (now_ > 0) now_ += step_;
        return now_;
    }
    int64_t Latest() const { return now_; }

private:
    std::string readyFile_;
    int64_t limit_, step_, now_ = 0;
};

// Answers each dialog with the next function of the script (which fills
// the dialog and closes it with done()); records every title. A dialog
// beyond the script is a failure and is cancelled.
class ScriptedRunner : public TDialogRunner {
public:
    using Answer = std::function<void(QDialog&)>;
    ScriptedRunner() : guard_(this) {}
    int Run(QDialog& dialog) override {
        // As exec() would, with the dialog's own show handling.
        dialog.show();
        Titles.push_back(dialog.windowTitle().toStdString());
        if (Script.empty()) {
            ADD_FAILURE() << "unexpected dialog \"" << Titles.back() << "\"";
            dialog.done(mrCancel);
        } else {
            Answer answer = std::move(Script.front());
            Script.pop_front();
            answer(dialog);
            if (dialog.isVisible()) dialog.done(mrCancel);
        }
        dialog.hide();
        return dialog.result();
    }
    std::deque<Answer> Script;
    std::vector<std::string> Titles;

private:
    TDialogRunnerGuard guard_;
};

template <class T>
T* Find(QDialog& dialog, const char* name) {
    T* w = dialog.findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// An operation dialog answered with OK after change has set its boxes.
inline ScriptedRunner::Answer Ok(std::function<void(TSafeSourceForm&)> change = nullptr) {
    return [change](QDialog& d) {
        auto* form = qobject_cast<TSafeSourceForm*>(&d);
        ASSERT_NE(form, nullptr) << d.windowTitle().toStdString();
        if (change) change(*form);
        form->Button1->click();
    };
}

inline ScriptedRunner::Answer Cancel() {
    return [](QDialog& d) { d.done(mrCancel); };
}

// The logon dialog answered with a password (and OK).
inline ScriptedRunner::Answer LogonWith(const std::string& password, const std::string& user = "") {
    return [=](QDialog& d) {
        auto* form = qobject_cast<TLogonForm*>(&d);
        ASSERT_NE(form, nullptr) << d.windowTitle().toStdString();
        if (!user.empty()) form->EUser->setText(QString::fromStdString(user));
        form->EPassword->setText(QString::fromStdString(password));
        form->BOk->click();
    };
}

// The file events the host tells, as "code file" lines.
class RecordingNotifier : public TInterfacedObject<TIAddInNotifier> {
public:
    void FileNotification(TFileNotification code, const std::string& file, bool&) override {
        Events.push_back(std::to_string(int(code)) + " " + file);
    }
    std::vector<std::string> Events;
};

// The lines the console window shows.
inline std::vector<std::string> ConsoleLines() {
    TConsole* console = PackageConsole();
    if (!console || !console->Window()) return {};
    return SplitLines(console->Window()->toPlainText().toStdString());
}

inline bool HasConsoleLine(const std::string& line) {
    for (const std::string& l : ConsoleLines())
        if (l == line) return true;
    return false;
}

class SafeInstallation : public Installation {
public:
    // The project folder "work/Proj" holds a.pas, b.pas, "c d.pas" and P.dpr,
    // imported by Ann as version 1 into the item path of its path.
    SafeInstallation() {
        Database = MakeDatabase("db");
        Project = Path("work/Proj");
        for (const char* name : {"a.pas", "b.pas", "c d.pas"})
            Write(std::string("work/Proj/") + name, std::string("unit ") + name + ";\r\nend.\r\n");
        Write("work/Proj/P.dpr", "program P;\r\nuses\r\n  a in 'a.pas';\r\nbegin\r\nend.\r\n");
        ProjectSpec = "$" + Project;
        Import(Project, ProjectSpec);
        Machine()->SetVString("Current Database", Database);
        Machine()->SetVString("SCCServerPath", VELT_SS_PATH);
        CommandFile(": Startup\n;\n");
    }

    // A database with the users Ann and Bob; answers its folder.
    std::string MakeDatabase(const std::string& name) {
        const std::string folder = Path(name);
        vss::TVssSession::CreateDatabase(folder, false);
        vss::TSrcSafeIni ini = vss::LoadSrcSafeIni(folder + "/srcsafe.ini");
        // Few rounds keep logons quick; a failed logon does not sleep.
        ini.Users = {{"Ann", vss::HashPassword("annpw", 1000)}, {"Bob", vss::HashPassword("bobpw", 1000)}};
        vss::TVssSession::SetLogonFailureDelay([](int) {});
        vss::SaveSrcSafeIni(folder + "/srcsafe.ini", ini);
        return folder;
    }

    // The files of a local folder as version 1 of a project, by Ann.
    void Import(const std::string& folder, const std::string& spec) {
        auto session = vss::TVssSession::OpenTrusted(Database + "/srcsafe.ini", "Ann");
        vss::TVssItemRow project = session->MakeProject(spec);
        vss::TVssOptions options;
        options.Flags = vss::VSSFLAG_RECURSYES | vss::VSSFLAG_BINTEST | vss::VSSFLAG_KEEPNO | vss::VSSFLAG_USERRONO;
        for (const vss::TLocalEntry& e : vss::ListLocalFolder(folder))
            session->Add(project, folder + "/" + e.Name, "", options);
    }

    std::shared_ptr<vss::TVssSession> Session(const std::string& user = "Ann") {
        return vss::TVssSession::OpenTrusted(Database + "/srcsafe.ini", user);
    }
    int32_t Version(const std::string& spec) { return Session()->Find(spec, false).Version; }
    int32_t CheckedOut(const std::string& spec, const std::string& user = "Ann") {
        auto s = Session(user);
        return s->IsCheckedOut(s->Find(spec, false));
    }

    static std::unique_ptr<TKey> Machine() {
        auto key = std::make_unique<TRegistryKey>(winreg::HKEY_LOCAL_MACHINE);
        return std::unique_ptr<TKey>(key.release()->SubKey(kSafeMachineKeyPath));
    }
    static std::unique_ptr<TKey> SafeSettings() {
        auto key = std::make_unique<TRegistryKey>(winreg::HKEY_CURRENT_USER);
        return std::unique_ptr<TKey>(key.release()->SubKey(kSafeSettingsKeyPath));
    }

    // "filelist.vss" of the database as it is now.
    void BuildList() {
        ComPtr<vss::IVSSDatabase> db = vss::CoVSSDatabase::Create();
        db->Open(Database, "Ann", "annpw");
        TSafeFileList list;
        BuildFileList(*db, list);
        list.SaveToFile(Database + "/filelist.vss");
    }

    std::string File(const std::string& name) const { return Project + "/" + name; }
    std::string Spec(const std::string& name) const { return ProjectSpec + "/" + name; }

    std::string Database;
    std::string Project;
    std::string ProjectSpec;
};

// Both packages loaded into a host, in order, with "AutoLogon" off unless
// asked; Ann logged on.
class LoadedPackages {
public:
    LoadedPackages(THostServices& host, bool autoLogon = false) : loader(host) {
        if (!autoLogon) SafeInstallation::SafeSettings()->SetVInteger("AutoLogon", 0);
        loader.Load(VELT_LOOM2_PATH);
        loader.Load(VELT_SOURCESAFE_PATH);
    }
    TSourceSafeServices& Services() { return *SourceSafeServices; }
    void LogOn(const std::string& user = "Ann", const std::string& password = "annpw") {
        Services().UserName = user;
        Services().Password = password;
        Services().Logon();
    }
    TPackageLoader loader;
};

}  // namespace velt::test
