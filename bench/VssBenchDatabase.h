#pragma once
// A source-control database "db" with the user Bench (password "pw") in a
// fresh temporary folder, removed with the object.
#include <filesystem>
#include <string>

#include <stdlib.h>

#include "platform/vss/SrcSafeIni.h"
#include "platform/vss/VssSession.h"

struct TVssBenchDatabase {
    std::string Dir, Db;
    explicit TVssBenchDatabase(const std::string& prefix) {
        std::string tmpl = std::filesystem::temp_directory_path().string() + "/" + prefix + "-XXXXXX";
        Dir = ::mkdtemp(tmpl.data());
        Db = Dir + "/db";
        velt::vss::TVssSession::CreateDatabase(Db, false);
        velt::vss::TSrcSafeIni ini = velt::vss::LoadSrcSafeIni(Db + "/srcsafe.ini");
        ini.Users = {{"Bench", velt::vss::HashPassword("pw")}};
        velt::vss::SaveSrcSafeIni(Db + "/srcsafe.ini", ini);
    }
    ~TVssBenchDatabase() {
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }
    TVssBenchDatabase(const TVssBenchDatabase&) = delete;
    TVssBenchDatabase& operator=(const TVssBenchDatabase&) = delete;
};
