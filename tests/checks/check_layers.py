#!/usr/bin/env python3
"""Fails when an include reaches upwards: a lower layer of the program including a higher one,
the program including a stand-in, or an include that does not name its folder.
    check_layers.py TOP_FOLDER"""
import os, re, sys

# Lowest first; a folder may include its own layer and those before it.
LAYERS = ["base", "kestrel", "tiff", "protocol", "framework", "res", "config", "filter", "image", "twain",
          "doc", "view", "app", "langlib", "installer"]
STANDINS = ["twaindsm", "scanner"]
# What the stand-ins share: a stand-in folder that each of them may include.
STANDINS_SHARED = "shared"
# What a stand-in may use of the rest: the portable utilities, the filter library's core, the
# protocol and the handle owners.
STANDIN_USES = {"base", "kestrel", "protocol", "framework/handles.h"}

def layer_of(include):
    parts = include.split("/")
    # Written from the top of the tree instead of from an include root: the same folder.
    if parts[0] in ("src", "standins") and len(parts) > 2:
        parts = parts[1:]
    return parts[0]

def main(top):
    failures = []
    include = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
    for area, root in (("src", os.path.join(top, "src")), ("standins", os.path.join(top, "standins")),
                       ("protocol", os.path.join(top, "protocol"))):
        for folder, _, names in os.walk(root):
            for name in names:
                if not name.endswith((".h", ".cpp", ".c", ".rc")):
                    continue
                path = os.path.join(folder, name)
                relative = os.path.relpath(path, root)
                own = "protocol" if area == "protocol" else relative.split("/")[0]
                in_tests = "/tests/" in "/" + relative or "/fuzz/" in relative or "/bench/" in relative
                for number, line in enumerate(open(path, errors="replace"), 1):
                    m = include.match(line)
                    if not m:
                        continue
                    target = m.group(1)
                    where = "%s:%d: \"%s\"" % (os.path.relpath(path, top), number, target)
                    if "/" not in target:
                        failures.append(where + " does not name its folder")
                        continue
                    layer = layer_of(target)
                    if in_tests:
                        continue
                    if area == "src" or area == "protocol":
                        if layer in STANDINS or layer == STANDINS_SHARED:
                            failures.append(where + ": the program includes a stand-in")
                        elif layer == "tests":
                            failures.append(where + ": the program includes a test's file")
                        elif layer in LAYERS and own in LAYERS and \
                                LAYERS.index(layer) > LAYERS.index(own):
                            failures.append(where + ": %s is below %s" % (own, layer))
                    else:
                        if layer in STANDINS and layer != own:
                            failures.append(where + ": one stand-in includes another")
                        elif layer not in STANDINS and layer != STANDINS_SHARED and layer not in STANDIN_USES and \
                                target not in STANDIN_USES and not layer == "tests":
                            failures.append(where + ": a stand-in uses the program's %s" % layer)
    for failure in failures:
        print(failure)
    print("%d upward or unrooted includes" % len(failures))
    return 1 if failures else 0

if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
