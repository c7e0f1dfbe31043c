#!/usr/bin/env python3
"""Checks the layering rules of the tree.

1. A file in a core/ folder includes only the standard library, plain C++ libraries that run
   everywhere (nlohmann-json) and other core/ headers of the project: no Qt, no libraries of a
   platform, no header of a qt/, linux/ or win32/ layer.
2. A core library links only core libraries (nothing of Qt, libical or the platform), and no
   target links a win32 library except that layer's own tests.

Usage: check-layers.py SOURCE_DIR LINK_GRAPH_FILE
"""
import pathlib
import re
import subprocess
import sys

STANDARD_HEADERS = set("""
algorithm any array atomic bit bitset cassert cctype cerrno cfloat charconv chrono cinttypes climits
clocale cmath compare concepts condition_variable cstddef cstdint cstdio cstdlib cstring ctime cwchar
cwctype deque exception execution expected filesystem format forward_list fstream functional future
initializer_list iomanip ios iosfwd iostream istream iterator limits list locale map memory
memory_resource mutex new numbers numeric optional ostream queue random ranges ratio regex
scoped_allocator set shared_mutex source_location span sstream stack stdexcept stop_token streambuf
string string_view system_error thread tuple type_traits typeindex typeinfo unordered_map
unordered_set utility valarray variant vector version
""".split())

PLAIN_LIBRARIES = ("nlohmann/",)

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)


def core_include_faults(top):
    files = subprocess.run(["git", "ls-files", "*/core/*.h", "*/core/*.cpp"], cwd=top,
                           capture_output=True, text=True, check=True).stdout.split()
    faults = []
    for name in files:
        path = top / name
        if not path.exists():
            continue
        for bracket, header in INCLUDE.findall(path.read_text(encoding="utf-8")):
            if bracket == "<" and header not in STANDARD_HEADERS and \
                    not header.startswith(PLAIN_LIBRARIES):
                faults.append(f"{name}: includes <{header}>, which is not the standard library")
            elif bracket == '"' and "/core/" not in header:
                faults.append(f'{name}: includes "{header}", which is not a core header')
    return faults


def read_graph(path):
    graph = {}
    for line in pathlib.Path(path).read_text().splitlines():
        target, _, links = line.partition(":")
        graph[target.strip()] = [link for link in links.split() if link]
    return graph


def reachable(graph, start):
    seen, stack = set(), list(graph.get(start, []))
    while stack:
        library = stack.pop()
        if library in seen:
            continue
        seen.add(library)
        stack.extend(graph.get(library, []))
    return seen


def link_faults(graph):
    faults = []
    for target in sorted(graph):
        links = reachable(graph, target)
        if target.endswith("_core"):
            outside = sorted(link for link in links if not link.endswith("_core"))
            if outside:
                faults.append(f"{target} is a core library but links {', '.join(outside)}")
        if "_win32" not in target:
            win32 = sorted(link for link in links if link.endswith("_win32"))
            if win32:
                faults.append(f"{target} links the Windows layer {', '.join(win32)}")
    return faults


def main():
    top, graph_file = pathlib.Path(sys.argv[1]), sys.argv[2]
    graph = read_graph(graph_file)
    faults = core_include_faults(top) + link_faults(graph)
    for fault in faults:
        print(fault)
    if not any(name.endswith("_core") for name in graph):
        print("the link graph names no core library")
        return 1
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
