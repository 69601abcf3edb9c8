#include "Arguments.h"

#include "PrintableText.h"

#include <algorithm>
#include <charconv>

namespace korvex {

std::string absolutePath(const std::string& path, const std::string& currentFolder) {
    const std::string joined = !path.empty() && path[0] == '/' ? path : currentFolder + "/" + path;
    std::string out;
    std::size_t start = 0;
    while (start <= joined.size()) {
        std::size_t end = joined.find('/', start);
        if (end == std::string::npos) {
            end = joined.size();
        }
        const std::string_view part = std::string_view(joined).substr(start, end - start);
        if (!part.empty() && part != ".") {
            out += '/';
            out += part;
        }
        start = end + 1;
    }
    return out.empty() ? "/" : out;
}

namespace {

bool parseMapping(const std::string& text, const std::string& currentFolder, PathMapping& into) {
    // The first "=" separates: Mac folder names may hold "=", but never start a path with it.
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0 || text[0] != '/' || equals + 1 == text.size()) {
        return false;
    }
    into.macPrefix = text.substr(0, equals);
    into.localFolder = absolutePath(text.substr(equals + 1), currentFolder);
    return true;
}

// The options of repairs; false (with the error set) when one is wrong.
bool parseRepairOption(const std::vector<std::string>& args, std::size_t& i,
                       const std::string& currentFolder, Arguments& parsed, bool& undoRelink,
                       const TextCatalog& catalog) {
    const std::string& arg = args[i];
    if (arg == "--suggest") {
        parsed.suggest = true;
    } else if (arg == "--relink") {
        parsed.relink = true;
    } else if (arg == "--json") {
        parsed.json = true;
    } else if (arg == "--undo-relink") {
        undoRelink = true;
    } else if (arg == "--any-owner") {
        parsed.anyOwner = true;
    } else {
        std::string value;
        if (arg == "--search") {
            if (i + 1 == args.size()) {
                parsed.error = catalog.translate("Arguments", "--search needs a DIR");
                return false;
            }
            value = args[++i];
        } else {
            value = arg.substr(9);
        }
        if (value.empty()) {
            parsed.error = catalog.translate("Arguments", "--search needs a DIR");
            return false;
        }
        parsed.searchFolders.push_back(absolutePath(value, currentFolder));
    }
    return true;
}

} // namespace

Arguments Arguments::parse(const std::vector<std::string>& args, const std::string& currentFolder,
                           const TextCatalog& catalog) {
    Arguments parsed;
    std::vector<std::string> operands;
    bool inspect = false, demo = false, help = false, version = false, optionsEnded = false;
    bool undoRelink = false, resolve = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--mark") {
            parsed.mark = true;
        } else if (arg == "--rewrite") {
            parsed.rewrite = true;
        } else if (arg == "--map" || arg.rfind("--map=", 0) == 0) {
            std::string value;
            if (arg == "--map") {
                if (i + 1 == args.size()) {
                    parsed.error = catalog.translate("Arguments", "--map needs a value: MAC=LOCAL");
                    return parsed;
                }
                value = args[++i];
            } else {
                value = arg.substr(6);
            }
            PathMapping mapping;
            if (!parseMapping(value, currentFolder, mapping)) {
                parsed.error = fillText(
                    catalog.translate(
                        "Arguments", "--map wants MAC=LOCAL with an absolute Mac folder, not '%1'"),
                    {value});
                return parsed;
            }
            parsed.mappings.push_back(std::move(mapping));
        } else if (arg == "--suggest" || arg == "--relink" || arg == "--json" ||
                   arg == "--undo-relink" || arg == "--any-owner" || arg == "--search" ||
                   arg.rfind("--search=", 0) == 0) {
            if (!parseRepairOption(args, i, currentFolder, parsed, undoRelink, catalog)) {
                return parsed;
            }
        } else if (arg == "--threads" || arg.rfind("--threads=", 0) == 0) {
            std::string value;
            if (arg == "--threads") {
                if (i + 1 == args.size()) {
                    parsed.error = catalog.translate("Arguments", "--threads needs a number");
                    return parsed;
                }
                value = args[++i];
            } else {
                value = arg.substr(10);
            }
            std::size_t threads = 0;
            const auto [end, status] =
                std::from_chars(value.data(), value.data() + value.size(), threads);
            if (status != std::errc() || end != value.data() + value.size() || threads < 1 ||
                threads > maxThreads) {
                parsed.error =
                    fillText(catalog.translate("Arguments",
                                               "--threads wants a number from 1 to %1, not '%2'"),
                             {std::to_string(maxThreads), value});
                return parsed;
            }
            parsed.threads = threads;
        } else if (arg == "--inspect") {
            inspect = true;
        } else if (arg == "--demo") {
            demo = true;
        } else if (arg == "--resolve") {
            resolve = true;
        } else if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--version") {
            version = true;
        } else {
            parsed.error =
                fillText(catalog.translate("Arguments", "unknown option '%1'"), {printable(arg)});
            return parsed;
        }
    }

    if (help) {
        parsed.action = Action::help;
    } else if (version) {
        parsed.action = Action::version;
    } else if (undoRelink &&
               (inspect || demo || resolve || parsed.suggest || parsed.relink || parsed.json ||
                parsed.mark || parsed.rewrite || parsed.anyOwner || parsed.threads ||
                !parsed.mappings.empty() || !parsed.searchFolders.empty())) {
        parsed.error =
            catalog.translate("Arguments", "--undo-relink goes with nothing but a FOLDER");
    } else if (resolve && (inspect || demo || undoRelink || parsed.suggest || parsed.relink ||
                           parsed.json || parsed.mark || parsed.rewrite || parsed.anyOwner ||
                           parsed.threads || !parsed.searchFolders.empty())) {
        parsed.error =
            catalog.translate("Arguments", "--resolve goes with nothing but --map and ALIAS...");
    } else if (resolve) {
        parsed.action = Action::resolve;
        if (operands.empty()) {
            parsed.error = catalog.translate("Arguments", "--resolve needs at least one ALIAS");
        } else if (std::find(operands.begin(), operands.end(), "") != operands.end()) {
            parsed.error = catalog.translate("Arguments", "an ALIAS is empty");
        }
        for (const std::string& file : operands) {
            parsed.files.push_back(absolutePath(file, currentFolder));
        }
    } else if (parsed.anyOwner && !parsed.relink) {
        parsed.error = catalog.translate("Arguments", "--any-owner goes with --relink");
    } else if ((parsed.suggest || parsed.relink || parsed.json) && (inspect || demo)) {
        parsed.error = catalog.translate("Arguments",
                                         "--suggest, --relink and --json go with a FOLDER to scan");
    } else if (inspect && demo) {
        parsed.error = catalog.translate("Arguments", "--inspect and --demo don't go together");
    } else if (inspect) {
        parsed.action = Action::inspect;
        if (operands.empty()) {
            parsed.error = catalog.translate("Arguments", "--inspect needs at least one FILE");
        }
        for (const std::string& file : operands) {
            parsed.files.push_back(absolutePath(file, currentFolder));
        }
    } else if (demo) {
        parsed.action = Action::demo;
        if (!operands.empty()) {
            parsed.error =
                catalog.translate("Arguments", "--demo makes its own folder; no FOLDER is taken");
        }
    } else if (operands.size() == 1 && operands[0].empty()) {
        parsed.error = catalog.translate("Arguments", "the FOLDER is empty");
    } else if (operands.size() != 1) {
        parsed.error = operands.empty()
                           ? catalog.translate("Arguments", "no FOLDER given")
                           : catalog.translate("Arguments", "only one FOLDER can be scanned");
    } else {
        parsed.folder = absolutePath(operands[0], currentFolder);
        if (undoRelink) {
            parsed.action = Action::undoRelink;
        }
    }
    return parsed;
}

} // namespace korvex
