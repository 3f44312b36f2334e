#!/usr/bin/env python3
"""Prints the kernel modules to load, dependencies first, for the module names given.

Usage: module-order.py MODULES_DEP NAME...  (paths relative to the modules directory)
"""
import os
import sys


def main():
    dep_file, names = sys.argv[1], sys.argv[2:]
    deps, by_name = {}, {}
    with open(dep_file) as f:
        for line in f:
            path, _, rest = line.partition(":")
            deps[path] = rest.split()
            name = os.path.basename(path).split(".ko")[0].replace("-", "_")
            by_name[name] = path
    order, seen = [], set()

    def visit(path):
        if path in seen:
            return
        seen.add(path)
        # modules.dep lists the deepest dependency last.
        for dep in reversed(deps.get(path, [])):
            visit(dep)
        order.append(path)

    for name in names:
        key = name.replace("-", "_")
        if key not in by_name:
            sys.exit(f"module-order.py: no module {name} in {dep_file}")
        visit(by_name[key])
    print("\n".join(order))


main()
