#pragma once
// The inheritance wizard's walk over real code (shared by the real-code
// check and the benchmark): the Free Pascal packages that hold twenty
// classes with deep ancestry, registered in a Classes Registry together
// with the include files that declare the classes unit's classes and
// TObject, each registered as the source of its classes. Other units are
// read through the file host, as the IDE reads units that are not open.

#include <filesystem>
#include <string>
#include <vector>

#include "forth/Forth.h"
#include "source/HyperSourceCode.h"
#include "source/InheritanceWizard.h"
#include "source/tests/CorpusScan.h"
#include "source/tests/FileHost.h"
#include "source/tests/HyperCorpus.h"

namespace velt::corpus {

// Folders (every .pp and .pas directly in them) and single files, under kCorpusRoot.
inline const char* const kWizardFolders[] = {
    "packages/fcl-report/src", "packages/fcl-db/src/base", "packages/fcl-db/src/export",
    "packages/fcl-db/src/sqldb", "packages/fcl-net/src",   "packages/fcl-web/src/base",
    "packages/fcl-base/src",     "packages/paszlib/src",     "packages/fcl-res/src",
};
inline const char* const kWizardIncludes[] = {"rtl/objpas/classes/classesh.inc", "rtl/inc/objpash.inc"};

// Descendants of TComponent, then of TStream.
inline const char* const kWizardClasses[] = {
    "TMyCSVDataset",     "TFPReportQuery", "TCSVDataset",    "TSQLQuery",         "TFPReportConnector",
    "TFPReportDataBand", "TFPReportGroupHeaderBand",         "TRTFExporter",      "TCSVExporter",
    "THTTPServer",       "THTMLPageProducer", "TFPWebModule", "THTTPApplication", "TTCPClient",
    "TStringStream",     "TReadBufStream", "TBlowFishEncryptStream", "TCompressionStream",
    "TBitmapCachedDataStream", "TBase64EncodingStream",
};

struct TWizardCorpus {
    TIHyperSourceCode Src;
    TForth Forth;
    test::TFileHost Host;
    std::vector<std::string> Files;  // as registered

    // Registers the files; false when the sources are not installed.
    bool Register() {
        std::error_code ec;
        const std::filesystem::path root = kCorpusRoot;
        if (!std::filesystem::is_directory(root, ec)) return false;
        for (const char* folder : kWizardFolders)
            for (const auto& e : std::filesystem::directory_iterator(root / folder, ec)) {
                const std::string ext = LowerCase(e.path().extension().string());
                if (e.is_regular_file(ec) && (ext == ".pp" || ext == ".pas")) Files.push_back(e.path().string());
            }
        std::sort(Files.begin(), Files.end());
        for (const char* inc : kWizardIncludes) Files.push_back((root / inc).string());
        test::RegisterFileHost(Forth, Host);
        TQuietSink quiet;  // a line per file
        TISourceCode scratch;
        for (const std::string& f : Files) Src.ClassesRegistry.InternalRegisterSource(scratch, Forth, f);
        Host.Requests.clear();
        return true;
    }

    // Loads the unit that declares className into Src; its header line, or -1.
    int Open(const std::string& className) {
        std::string file;
        if (!Src.ClassesRegistry.FindClassSource(className, file)) return -1;
        Src.SetLinesText(ReadWholeFile(file));
        Src.SetFileName(file);
        Src.ValidateLines();
        int header = -1;
        return Src.FindClass(className, header) ? header : -1;
    }
};

}  // namespace velt::corpus
