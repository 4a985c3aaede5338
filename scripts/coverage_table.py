"""Reads one lcov file a test and prints what each test covers alone.

    coverage_table.py OUT_DIR SOURCE_ROOT TEST...
"""
import collections
import os
import sys


ALL_LINES, ALL_BRANCHES = set(), set()


def read_lcov(path, root):
    lines, branches = set(), set()
    name = None
    with open(path, encoding="utf-8", errors="replace") as f:
        for row in f:
            row = row.rstrip("\n")
            if row.startswith("SF:"):
                name = row[3:].replace(root, "")
            elif row.startswith("DA:"):
                number, count = row[3:].split(",")[:2]
                ALL_LINES.add((name, int(number)))
                if int(count) > 0:
                    lines.add((name, int(number)))
            elif row.startswith("BRDA:"):
                number, block, branch, taken = row[5:].split(",")
                ALL_BRANCHES.add((name, int(number), block, branch))
                if taken not in ("-", "0"):
                    branches.add((name, int(number), block, branch))
    return lines, branches


def main():
    out, root, tests = sys.argv[1], sys.argv[2], sys.argv[3:]
    covered = {}
    for t in tests:
        path = os.path.join(out, t + ".lcov")
        covered[t] = read_lcov(path, root) if os.path.exists(path) else (set(), set())
    line_users = collections.Counter(l for t in tests for l in covered[t][0])
    branch_users = collections.Counter(b for t in tests for b in covered[t][1])
    rows = []
    for t in tests:
        lines, branches = covered[t]
        rows.append((sum(1 for l in lines if line_users[l] == 1), sum(1 for b in branches if branch_users[b] == 1),
                     len(lines), len(branches), t))
    rows.sort()
    with open(os.path.join(out, "per-test.txt"), "w", encoding="utf-8") as f:
        f.write(f"{'unique lines':>12} {'unique branches':>15} {'lines':>7} {'branches':>8}  test\n")
        for r in rows:
            f.write(f"{r[0]:>12} {r[1]:>15} {r[2]:>7} {r[3]:>8}  {r[4]}\n")
    def share(part, whole):
        return f"{part} of {len(whole)} ({100.0 * part / max(1, len(whole)):.1f}%)"
    totals = (f"lines covered: {share(len(line_users), ALL_LINES)}\n"
              f"branches taken: {share(len(branch_users), ALL_BRANCHES)}\n")
    with open(os.path.join(out, "totals.txt"), "w", encoding="utf-8") as f:
        f.write(totals)
    with open(os.path.join(out, "per-test.txt"), encoding="utf-8") as f:
        sys.stdout.write(f.read())
    sys.stdout.write(totals)


if __name__ == "__main__":
    main()
