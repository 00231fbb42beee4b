#!/usr/bin/env python3
"""Turns the samples of bench/SamplingProfiler.h into a profile.

    profile_report.py SAMPLES EXE [--top N] [--label L]

For each label: where the samples were (the program's own function, or the system module, at the
top of the stack); which of the program's functions they were in, counting every function on the
stack once (inclusive); and, for the samples inside the system, which function of the program
called into it. Symbols come from the .exe's own symbol table (the MinGW nm).
"""
import bisect
import collections
import subprocess
import sys


def symbols(exe):
    base = 0
    for line in subprocess.run(["x86_64-w64-mingw32-objdump", "-p", exe], capture_output=True,
                               text=True).stdout.splitlines():
        if line.startswith("ImageBase"):
            base = int(line.split()[1], 16)
    table = []
    out = subprocess.run(["x86_64-w64-mingw32-nm", "-C", "--defined-only", exe], capture_output=True,
                         text=True).stdout
    for line in out.splitlines():
        parts = line.split(" ", 2)
        if len(parts) == 3 and parts[1] in "Tt":
            table.append((int(parts[0], 16) - base, parts[2]))
    table.sort()
    return [a for a, _ in table], [n for _, n in table]


def short(name, width=110):
    return name if len(name) <= width else name[:width - 3] + "..."


def main():
    args = sys.argv[1:]
    top = 25
    only = None
    if "--top" in args:
        i = args.index("--top")
        top = int(args[i + 1])
        del args[i:i + 2]
    if "--label" in args:
        i = args.index("--label")
        only = args[i + 1]
        del args[i:i + 2]
    samples_file, exe = args
    exe_name = exe.replace("\\", "/").split("/")[-1].lower()
    addrs, names = symbols(exe)

    def name_of(frame):
        module, _, rva = frame.rpartition("+")
        if module.lower() != exe_name:
            return None, "[" + module + "]"
        i = bisect.bisect_right(addrs, int(rva, 16)) - 1
        return True, names[i] if i >= 0 else "?"

    by_label = collections.OrderedDict()
    for line in open(samples_file):
        parts = line.split()
        if len(parts) < 2:
            continue
        by_label.setdefault(parts[0], []).append(parts[1:])

    for label, samples in by_label.items():
        if only and label != only:
            continue
        n = len(samples)
        leaf = collections.Counter()
        inclusive = collections.Counter()
        calls_out = collections.Counter()
        for frames in samples:
            resolved = [name_of(f) for f in frames]
            leaf[resolved[0][1]] += 1
            seen = set()
            for own, name in resolved:
                if own and name not in seen:
                    seen.add(name)
                    inclusive[name] += 1
            if not resolved[0][0]:
                caller = next((name for own, name in resolved if own), "?")
                calls_out[(caller, resolved[0][1])] += 1
        print(f"== {label}: {n} samples (about {n} ms)")
        print("-- at the top of the stack")
        for name, c in leaf.most_common(top):
            print(f"  {100.0 * c / n:5.1f}%  {short(name)}")
        print("-- inclusive, the program's functions")
        for name, c in inclusive.most_common(top):
            print(f"  {100.0 * c / n:5.1f}%  {short(name)}")
        print("-- inside the system, by the program's function that called in")
        for (caller, module), c in calls_out.most_common(top):
            print(f"  {100.0 * c / n:5.1f}%  {short(caller, 90)} -> {module}")
        print()


if __name__ == "__main__":
    main()
