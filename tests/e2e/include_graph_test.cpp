// The house's floors: the folders of src/ and tools/ include one another only
// downward. A folder that includes one which includes it back (directly or
// through others) makes the two one room; this test names such a circle.
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "support/harness.h"

namespace {

namespace fs = std::filesystem;

using FolderGraph = std::map<std::string, std::set<std::string>>;

const fs::path kSourceDir = fs::path(EXAMPLE_DIR).parent_path();

// "src/bank/journal.cpp" is folder "bank", "tools/common/tool_kit.h" is "tools/common".
std::string folderOf(const fs::path& file) {
    fs::path relative = file.lexically_relative(kSourceDir);
    auto part = relative.begin();
    std::string top = (part++)->string();
    std::string next = (part++)->string();
    if (part == relative.end()) return top;  // a file directly in src/ or tools/
    return top == "tools" ? "tools/" + next : next;
}

// An include's folder: "bank/journal.h" is "bank"; the tools include one another
// as "common/...", "vornbank/..."; a bare name is the including file's own folder.
std::string includedFolder(const std::string& include, const std::string& from) {
    size_t slash = include.find('/');
    if (slash == std::string::npos) return from;
    std::string top = include.substr(0, slash);
    if (fs::is_directory(kSourceDir / "tools" / top)) return "tools/" + top;
    return top;
}

FolderGraph includeGraph(const std::vector<fs::path>& roots) {
    static const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    FolderGraph graph;
    for (const fs::path& root : roots) {
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            if (!entry.is_regular_file()) continue;
            std::string from = folderOf(entry.path());
            std::ifstream file(entry.path());
            std::smatch match;
            for (std::string line; std::getline(file, line);) {
                if (!std::regex_search(line, match, include)) continue;
                std::string to = includedFolder(match[1], from);
                if (to != from) graph[from].insert(to);
            }
        }
    }
    return graph;
}

// The path of includes from `from` to `to` ("a -> b -> c"), or empty when there is none.
std::string includePath(const FolderGraph& graph, const std::string& from, const std::string& to,
                        std::set<std::string>& seen) {
    if (from == to) return to;
    if (!seen.insert(from).second) return "";
    auto edges = graph.find(from);
    if (edges == graph.end()) return "";
    for (const std::string& next : edges->second) {
        std::string rest = includePath(graph, next, to, seen);
        if (!rest.empty()) return from + " -> " + rest;
    }
    return "";
}

// Every folder that is reached again from one it includes, with the circle.
std::string circles(const FolderGraph& graph) {
    std::string found;
    for (const auto& [folder, includes] : graph) {
        for (const std::string& included : includes) {
            std::set<std::string> seen;
            std::string back = includePath(graph, included, folder, seen);
            if (!back.empty()) found += folder + " -> " + back + "\n";
        }
    }
    return found;
}

TEST(IncludeGraph, NoFolderIncludesAFolderThatIncludesItBack) {
    FolderGraph graph = includeGraph({kSourceDir / "src", kSourceDir / "tools"});
    ASSERT_TRUE(graph.count("run") && graph.count("tools/vornfit")) << "the walk found no includes";
    EXPECT_EQ(circles(graph), "");
}

TEST(IncludeGraph, ACircleIsNamed) {
    FolderGraph graph{{"bank", {"state"}}, {"state", {"base"}}, {"base", {"bank"}}, {"run", {"bank", "base"}}};
    EXPECT_EQ(circles(graph),
              "bank -> state -> base -> bank\n"
              "base -> bank -> state -> base\n"
              "state -> base -> bank -> state\n");
}

}  // namespace
