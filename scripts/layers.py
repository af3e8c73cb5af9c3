#!/usr/bin/env python3
"""Keeps the libraries of src/ depending only downward.

Every quoted "folder/..." include of a source must name its own library or
one that its library links, and the libraries of src/CMakeLists.txt may link
only libraries below them in LAYERS. Each fault is printed as "file:line:"
and makes the exit status 1.

    layers.py [ROOT]     check the tree at ROOT (default: this checkout)
    layers.py --self-test
"""

import os
import re
import sys
import tempfile

# Bottom first: each library with the folders of src/ it is built from. The
# order follows the links of src/CMakeLists.txt; a library may link only
# those above it in this list.
LAYERS = [
    ("orvane_show", ["model", "show", "effects"]),
    ("orvane_devices", ["devices", "Common/ArtNet", "Common/Midi"]),
    ("orvane_options", ["app/options"]),
    ("orvane_widgets", ["widgets"]),
    ("orvane_media", ["media"]),
    ("orvane_live", ["live"]),
    ("orvane_layout_view", ["layout/view"]),
    ("orvane_setup", ["setup"]),
    ("orvane_layout", ["layout"]),
    ("orvane_panels", ["panels"]),
    ("orvane_editors", ["editors"]),
    ("orvane_timeline", ["timeline"]),
    ("orvane_app", ["app", "Common/SingleApp"]),
]

SOURCE_SUFFIXES = (".h", ".cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+/[^"]+)"')
COMMAND = re.compile(r"\b(orvane_library|add_library|target_link_libraries)\s*\(([^()]*)\)")
KEYWORDS = {"DIRS", "LINK", "EXTRA", "PUBLIC", "PRIVATE", "INTERFACE", "STATIC", "SHARED"}


def library_of(path, layers):
    """The library whose folder holds `path` (relative to src/); the deepest folder wins."""
    best, best_len = None, -1
    for name, folders in layers:
        for folder in folders:
            if (path == folder or path.startswith(folder + "/")) and len(folder) > best_len:
                best, best_len = name, len(folder)
    return best


def read_links(cmake_path, layers, errors):
    """The direct links between our libraries; a fault of the CMake file goes to `errors`."""
    rank = {name: i for i, (name, _) in enumerate(layers)}
    with open(cmake_path, encoding="utf-8") as f:
        text = re.sub(r"#[^\n]*", "", f.read())
    links = {name: set() for name in rank}
    declared = set()
    for match in COMMAND.finditer(text):
        line = text.count("\n", 0, match.start()) + 1
        words = match.group(2).split()
        if not words:
            continue
        command, target = match.group(1), words[0]
        where = "%s:%d:" % (cmake_path, line)
        if command != "target_link_libraries" and target not in rank:
            errors.append("%s library %s has no place in the layer order" % (where, target))
            continue
        if target not in rank:
            continue
        if command != "target_link_libraries":
            declared.add(target)
        section, dirs = None, []
        for word in words[1:]:
            if word in KEYWORDS:
                section = word
            elif section == "DIRS":
                dirs.append(word)
            elif (section == "LINK" or command == "target_link_libraries") and (
                    word in rank or word.startswith("orvane_")):
                if word not in rank or rank[word] >= rank[target]:
                    errors.append("%s %s links %s, which is not below it" % (where, target, word))
                else:
                    links[target].add(word)
        if command == "orvane_library" and sorted(dirs) != sorted(dict(layers)[target]):
            errors.append("%s %s is built from %s, the layer order says %s"
                          % (where, target, " ".join(dirs), " ".join(dict(layers)[target])))
    for name in rank:
        if name not in declared:
            errors.append("%s:1: %s of the layer order is not built" % (cmake_path, name))
    return links


def reachable(links):
    """Each library with every library it links, directly or through another."""
    closure = {}
    for name in links:
        seen, todo = set(), [name]
        while todo:
            for below in links[todo.pop()]:
                if below not in seen:
                    seen.add(below)
                    todo.append(below)
        closure[name] = seen
    return closure


def check(root, layers=LAYERS):
    src = os.path.join(root, "src")
    errors = []
    closure = reachable(read_links(os.path.join(src, "CMakeLists.txt"), layers, errors))
    for folder, _, files in sorted(os.walk(src)):
        for file in sorted(files):
            if not file.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.join(folder, file)
            relative = os.path.relpath(path, src).replace(os.sep, "/")
            own = library_of(relative, layers)
            if own is None:
                errors.append("%s:1: no library of the layer order holds this file" % path)
                continue
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, text in enumerate(f, 1):
                    match = INCLUDE.match(text)
                    if not match:
                        continue
                    target = library_of(match.group(1), layers)
                    if target is None or target == own or target in closure.get(own, ()):
                        continue
                    errors.append("%s:%d: %s includes %s of %s, which it does not link"
                                  % (path, number, own, match.group(1), target))
    return errors


def self_test():
    """Runs the check over small trees, each with the faults it must find."""
    layers = [("low", ["low"]), ("side", ["side"]), ("mid", ["mid"]),
              ("mid_inner", ["mid/inner"]), ("top", ["top"])]
    cmake = ("orvane_library(low DIRS low LINK Qt5::Core)\n"
             "orvane_library(side DIRS side LINK low)\n"
             "orvane_library(mid DIRS mid LINK low)\n"
             "orvane_library(mid_inner\n  DIRS mid/inner\n  LINK mid)\n"
             "add_library(top STATIC main.cpp)\n"
             "target_link_libraries(top PUBLIC mid_inner side)\n")
    clean = {
        "CMakeLists.txt": cmake,
        "low/A.h": '#pragma once\n#include <QString>\n#include "Generated.h"\n',
        "side/S.h": '#include "low/A.h"\n',
        "mid/B.cpp": '#include "mid/B.h"\n#include "low/A.h"\n',
        "mid/inner/C.cpp": '#include "mid/B.h"\n',
        "top/D.cpp": '#include "mid/inner/C.h"\n#include "side/S.h"\n#include "low/A.h"\n',
    }
    cases = [
        ("a clean tree", {}, []),
        ("an include of the library above",
         {"mid/B.cpp": '#include "mid/B.h"\n\n  #  include "top/D.h" // the colour only\n'},
         ["src/mid/B.cpp:3: mid includes top/D.h of top"]),
        ("an include of a lower library not linked",
         {"side/S.h": '#include "low/A.h"\n#include "mid/B.h"\n'},
         ["src/side/S.h:2: side includes mid/B.h of mid"]),
        ("an include of the deeper folder from the outer",
         {"mid/B.cpp": '#include "mid/inner/C.h"\n'},
         ["src/mid/B.cpp:1: mid includes mid/inner/C.h of mid_inner"]),
        ("a link upward", {"CMakeLists.txt": cmake.replace("LINK Qt5::Core", "LINK side")},
         ["src/CMakeLists.txt:1: low links side, which is not below it"]),
        ("a library out of the order",
         {"CMakeLists.txt": cmake + "orvane_library(extra DIRS extra)\n"},
         ["src/CMakeLists.txt:9: library extra has no place"]),
        ("folders other than the order's",
         {"CMakeLists.txt": cmake.replace("DIRS side", "DIRS side low")},
         ["src/CMakeLists.txt:2: side is built from side low"]),
        ("a library of the order not built",
         {"CMakeLists.txt": cmake.replace("orvane_library(side DIRS side LINK low)", "")},
         ["src/CMakeLists.txt:1: side of the layer order is not built",
          "src/side/S.h:1: side includes low/A.h"]),
        ("a file in no library", {"loose/E.h": "\n"}, ["src/loose/E.h:1: no library"]),
    ]
    failures = 0
    for name, changes, expected in cases:
        with tempfile.TemporaryDirectory() as root:
            for relative, text in {**clean, **changes}.items():
                path = os.path.join(root, "src", relative)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "w", encoding="utf-8") as f:
                    f.write(text)
            found = [e.replace(root + os.sep, "") for e in check(root, layers)]
        if len(found) != len(expected) or not all(
                any(e.startswith(want) for e in found) for want in expected):
            failures += 1
            print("self-test %s: expected %s, found %s" % (name, expected, found))
    return failures == 0


def main(argv):
    if argv[1:] == ["--self-test"]:
        return 0 if self_test() else 1
    root = argv[1] if len(argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    errors = check(root)
    for error in errors:
        print(error)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
