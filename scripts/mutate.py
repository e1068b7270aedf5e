#!/usr/bin/env python3
"""Mutation testing: small faults put into the sources one at a time, each built and run against
the tests that reach it. A mutant that makes a test fail (or hang) is killed; one that passes every
test survived, and shows a fault the suite would let through.

  scripts/mutate.py [--seed N] [--count N] [--limit N] [--files PATTERN ...] [--jobs N]
                    [--tests-from REF] [--out FILE.json] [--list] [--no-history]
  scripts/mutate.py --compare before.json after.json

Mutants go only on lines the tests run, read from a --coverage build (build/coverage) with gcovr.
Each worker has a git worktree of its own under build/mutate/wN, checked out at the commit under
test (with --tests-from REF, its tests/ replaced by REF's), and a build folder in it that is
rebuilt incrementally. A mutant is known by its file, the hash of its line's text, its operator
and its place in the line, so the same seed picks the same mutants however the tests change.
Besides the generated mutants, the real faults of the project's history are put back by
reverse-applying their fixes. See docs/testing.md.
"""
import argparse
import difflib
import fnmatch
import hashlib
import json
import os
import queue
import random
import re
import shutil
import signal
import subprocess
import sys
import threading
import time
from collections import Counter
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
COVERAGE_DIR = ROOT / "build" / "coverage"
WORK_DIR = ROOT / "build" / "mutate"

# The files mutated, with a weight: a file's share of the mutants follows its covered mutation
# points times its weight. The tool gets a smaller share than the library.
TARGETS = [
    ("src/currule/CCurRuleDoc.cpp", 1.0),
    ("src/platform/Xml.cpp", 1.0),
    ("src/xmltree/CXMLTreeImp.cpp", 1.0),
    ("src/defenlei/CDeFenLeiFile.cpp", 1.0),
    ("src/platform/Platform.cpp", 1.0),
    ("src/platform/XmlSafety.cpp", 1.0),
    ("src/platform/IniFile.cpp", 1.0),
    ("src/currule/CCurRuleQuery.cpp", 1.0),
    ("src/currule/CCurRuleGrid.cpp", 1.0),
    ("host/CTemplateParser.cpp", 1.0),
    ("src/sysrule/*.cpp", 1.0),
    ("src/sysrule/*.h", 1.0),
    ("src/ruledlg/CPageMultiSelect.cpp", 1.0),
    ("tools/kxrule/*.cpp", 0.3),
]

# The test groups run for a mutant in each source folder: a test program test_<group>, "cli" for
# the tool's end-to-end tests, "replay" for the fuzz targets' replay of their corpora.
TESTS_FOR = {
    "src/platform": ["common", "xmltree", "hostsvc", "sysrule", "defenlei", "currule", "reliability", "replay"],
    "src/xmltree": ["xmltree", "currule", "reliability", "replay"],
    "src/currule": ["currule", "reliability", "cli", "replay"],
    "src/defenlei": ["defenlei", "sysrule", "reliability", "cli", "replay"],  # sysrule: the integer readers
    "src/sysrule": ["sysrule", "currule", "reliability", "ruledlg", "cli", "replay"],
    "src/ruledlg": ["ruledlg"],
    "host": ["hostsvc", "sysrule", "currule", "replay"],
    "tools/kxrule": ["cli"],
}

# Faults this project had, put back by reverse-applying the fix to one file (hunks: the fix's
# hunks in that file to take back, all when None).
HISTORY = [
    ("3075d05", "src/platform/IniFile.cpp", None, "INI reader searches ']' and '=' past the end of the line: quadratic on long files"),
    ("8b94fee", "src/platform/Xml.cpp", [2], "no entity-expansion budget; a parse libxml2 cut short is accepted"),
    ("5036083", "src/xmltree/CXMLTreeImp.cpp", None, "a rebuilt element takes over only the next kept-aside child, not one a few places ahead"),
    ("ef1e768", "src/platform/Platform.cpp", None, "files opened blocking: a named pipe in place of a rule file hangs"),
    ("7ae1d19", "src/platform/Platform.cpp", None, "atomic write replaces a read-only file"),
    ("037f238", "src/platform/Xml.cpp", None, "saved UTF-16 output not verified by a second parse"),
    ("6c0052e", "src/platform/Xml.cpp", None, "outline keeps names with an unresolved prefix"),
    ("8daaec7", "src/defenlei/CDeFenLeiFile.cpp", None, "quota settings root selected from the wrong context node"),
]

OPERATORS = "rel eq logic not int bool stmt".split()


def run(cmd, cwd=None, timeout=None):
    """Runs cmd in a process group of its own; returns (exit code or None on timeout, output)."""
    proc = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                            errors="replace", start_new_session=True)
    try:
        out, _ = proc.communicate(timeout=timeout)
        return proc.returncode, out
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        out, _ = proc.communicate()
        return None, out
    except BaseException:
        os.killpg(proc.pid, signal.SIGKILL)
        raise


def failed_tests(ctest_output):
    """The tests that failed, in the order they ended: the summary would also name the tests that
    --stop-on-failure cut short, and those it skipped."""
    return re.findall(r"Test\s+#\d+: (\S+) \.*\s*\*\*\*(?:Failed|Timeout|Exception)", ctest_output)


def git(*args, cwd=ROOT):
    return subprocess.run(["git", *args], cwd=cwd, check=True, capture_output=True, text=True).stdout


def log(msg):
    print(msg, flush=True)


# ---- Coverage: which lines the tests run ----

def ensure_coverage(path, jobs):
    if path.exists():
        return json.loads(path.read_text())
    log(f"coverage: building {COVERAGE_DIR} (Debug, --coverage) and running the tests once")
    start = time.time()
    steps = [
        ["cmake", "-S", str(ROOT), "-B", str(COVERAGE_DIR), "-DCMAKE_BUILD_TYPE=Debug",
         "-DCMAKE_CXX_FLAGS=--coverage"],
        ["cmake", "--build", str(COVERAGE_DIR), f"-j{jobs}"],
    ]
    for cmd in steps:
        code, out = run(cmd)
        if code != 0:
            sys.exit(f"coverage build failed:\n{out[-3000:]}")
    for gcda in COVERAGE_DIR.rglob("*.gcda"):
        gcda.unlink()
    code, out = run(["ctest", "--test-dir", str(COVERAGE_DIR), f"-j{jobs}", "-E", r"^install\."])
    if code != 0:
        log("coverage: some tests failed; their lines still count as run\n" + out[-2000:])
    code, out = run(["gcovr", "--root", str(ROOT), "--object-directory", str(COVERAGE_DIR),
                     "--json", str(path)])
    if code != 0:
        sys.exit(f"gcovr failed:\n{out[-3000:]}")
    log(f"coverage: done in {time.time() - start:.0f} s")
    return json.loads(path.read_text())


def covered_lines(coverage):
    return {f["file"]: {ln["line_number"] for ln in f["lines"] if ln["count"] > 0}
            for f in coverage["files"]}


# ---- Mutation points ----

def mask(line, in_comment):
    """The line with comments and the insides of string and character literals blanked, so that
    operators are looked for in code only; and whether a block comment runs on."""
    out, i, quote = [], 0, None
    while i < len(line):
        c, two = line[i], line[i:i + 2]
        if in_comment:
            if two == "*/":
                in_comment = False
                out.append("  ")
                i += 2
                continue
            out.append(" ")
        elif quote:
            if c == "\\":
                out.append("  ")
                i += 2
                continue
            if c == quote:
                quote = None
                out.append(c)
            else:
                out.append(" ")
        elif two == "//":
            break
        elif two == "/*":
            in_comment = True
            out.append("  ")
            i += 2
            continue
        elif c in "\"'" and not (c == "'" and i > 0 and line[i - 1].isalnum()):  # 1'000 separators
            quote = c
            out.append(c)
        else:
            out.append(c)
        i += 1
    return "".join(out).ljust(len(line)), in_comment


SWAP = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "==", "&&": "||", "||": "&&",
        "true": "false", "false": "true"}
NOT_A_STATEMENT = re.compile(
    r"^(return|using|typedef|namespace|template|case|default|public|private|protected|friend|"
    r"virtual|static_assert|auto|const|constexpr|static|thread_local|inline|extern|struct|class|"
    r"enum|union|unsigned|signed|int|char|bool|double|float|long|short|void|wchar_t|size_t)\b")
DECLARATION = re.compile(r"^[A-Za-z_][\w:<>,\s*&]*?[\s*&]+[A-Za-z_]\w*\s*(=|\{|\(|\[|;)")
STATEMENT_WORDS = re.compile(r"^(delete|throw|break|continue|goto)\b")


def is_simple_statement(code, prev):
    s = code.strip()
    if not s.endswith(";") or s == ";" or not (s[0].isalnum() or s[0] in "_*(" or s[:2] in ("++", "--")):
        return False
    if NOT_A_STATEMENT.match(s) or (DECLARATION.match(s) and not STATEMENT_WORDS.match(s)):
        return False
    if s.count("(") != s.count(")") or s.count("{") != s.count("}"):
        return False
    # The statement must start on this line: the line before ends a statement or opens a block.
    p = prev.strip()
    return not p or p[-1] in ";{}:)" or p.endswith("else")


def points(code, prev):
    """(operator, start, end, replacement) for each mutation of one masked line."""
    for m in re.finditer(r"(?<=\s)(<=|>=|<|>)(?=\s)", code):
        yield "rel", m.start(), m.end(), SWAP[m.group()]
    for m in re.finditer(r"(?<=\s)(==|!=)(?=\s)", code):
        yield "eq", m.start(), m.end(), SWAP[m.group()]
    for m in re.finditer(r"(?<=\s)(&&|\|\|)(?=\s)", code):
        yield "logic", m.start(), m.end(), SWAP[m.group()]
    for m in re.finditer(r"(?<![\w)\]!])!(?!=)", code):
        yield "not", m.start(), m.end(), ""
    for m in re.finditer(r"(?<![\w.'])\d+(?![\w.'])", code):
        n = int(m.group())
        yield "int", m.start(), m.end(), str(n + 1)
        if n > 0:
            yield "int", m.start(), m.end(), str(n - 1)
    if re.search(r"\breturn\b", code):
        for m in re.finditer(r"\b(true|false)\b", code):
            yield "bool", m.start(), m.end(), SWAP[m.group()]
    if is_simple_statement(code, prev):
        start = len(code) - len(code.lstrip())
        yield "stmt", start, len(code.rstrip()), "{}"


def line_diff(path, number, old, new):
    return f"--- a/{path}\n+++ b/{path}\n@@ -{number} +{number} @@\n-{old}\n+{new}\n"


def candidates(path, text, covered):
    lines = text.split("\n")
    seen, in_comment, prev = Counter(), False, ""
    for number, line in enumerate(lines, 1):
        code, in_comment = mask(line, in_comment)
        digest = hashlib.sha1(line.strip().encode()).hexdigest()[:8]
        copy = seen[digest]  # the how-many-th line of this text in the file
        seen[digest] += 1
        if number in covered and not code.lstrip().startswith("#"):
            per_op = Counter()
            for op, start, end, repl in points(code, prev):
                k = per_op[op]
                per_op[op] += 1
                new = line[:start] + repl + line[end:]
                mutated = lines[:]
                mutated[number - 1] = new
                yield {"id": f"{path}@{digest}.{copy}:{op}:{k}", "file": path, "line": number,
                       "operator": op, "diff": line_diff(path, number, line, new),
                       "_text": "\n".join(mutated)}
        if code.strip():
            prev = code


def reverse_fix(text, patch, hunks):
    """The text with a fix taken back: each run of lines the fix changed is found in the text, once,
    and put back as it was, so that a fix whose surroundings have changed since still reverses."""
    lines = text.split("\n")
    parts = re.split(r"(?m)^@@.*\n", patch)[1:]
    for n, hunk in enumerate(parts):
        if hunks is not None and n not in hunks:
            continue
        body, i = [b for b in hunk.split("\n") if not b.startswith("\\")], 0
        while i < len(body):
            if body[i][:1] not in ("-", "+"):
                i += 1
                continue
            # A run that only removed lines is found by the line before it.
            anchor = [body[i - 1][1:]] if i > 0 else []
            old, new = [], []
            while i < len(body) and body[i][:1] in ("-", "+"):
                (old if body[i][0] == "-" else new).append(body[i][1:])
                i += 1
            find = new or anchor
            at = [k for k in range(len(lines) - len(find) + 1) if lines[k:k + len(find)] == find]
            if not find or len(at) != 1:
                return None
            lines[at[0]:at[0] + len(find)] = old if new else anchor + old
    return "\n".join(lines)


def history_mutants(commit, files):
    out = []
    for fix, path, hunks, what in HISTORY:
        if files and not matches(path, files):
            continue
        original = git("show", f"{commit}:{path}")
        text = reverse_fix(original, git("show", "--format=", fix, "--", path), hunks)
        if text is None or text == original:
            log(f"history: the fix {fix} no longer reverses on {path}; left out")
            continue
        diff = "".join(difflib.unified_diff(original.splitlines(True), text.splitlines(True),
                                            f"a/{path}", f"b/{path}", n=1))
        first = re.search(r"^@@ -(\d+)", diff, re.M)
        out.append({"id": f"history:{fix}:{path}", "file": path, "line": int(first.group(1)) if first else 0,
                    "operator": "history", "description": what, "diff": diff, "_text": text})
    return out


def matches(path, patterns):
    return any(fnmatch.fnmatch(path, p) or path.startswith(p.rstrip("/") + "/") or path == p for p in patterns)


def select(commit, coverage, seed, count, files, ids):
    covered = covered_lines(coverage)
    tracked = git("ls-tree", "-r", "--name-only", commit).split()
    pools, weights = {}, {}
    for pattern, weight in TARGETS:
        for path in sorted(p for p in tracked if fnmatch.fnmatch(p, pattern)):
            pool = sorted(candidates(path, git("show", f"{commit}:{path}"), covered.get(path, set())),
                          key=lambda m: m["id"])
            if pool:
                pools[path], weights[path] = pool, len(pool) * weight
    share = shares(weights, count)
    chosen = {}
    for path, pool in pools.items():
        picked = random.Random(f"{seed}:{path}").sample(pool, min(share[path], len(pool)))
        if ids:  # named mutants, picked by the seed or not
            picked = [m for m in pool if any(i in m["id"] for i in ids)]
        if not files or matches(path, files):
            chosen[path] = picked
    return chosen


def shares(weights, count):
    """count split in proportion to weights, the remainders going to the largest fractions."""
    total = sum(weights.values()) or 1
    exact = {k: count * w / total for k, w in weights.items()}
    share = {k: int(e) for k, e in exact.items()}
    for k in sorted(exact, key=lambda k: (share[k] - exact[k], k))[:count - sum(share.values())]:
        share[k] += 1
    return share


def spread(chosen, limit):
    """The chosen mutants in file order, or limit of them shared out as the whole set is."""
    if limit is not None and limit < sum(map(len, chosen.values())):
        share = shares({p: len(ms) for p, ms in chosen.items()}, limit)
        chosen = {p: ms[:share[p]] for p, ms in chosen.items()}
    return sorted((m for ms in chosen.values() for m in ms), key=lambda m: (m["file"], m["line"], m["id"]))


# ---- Workers ----

class Worker:
    def __init__(self, n, commit, tests_ref, args, cpus):
        self.tree = WORK_DIR / f"w{n}"
        self.build = self.tree / "build" / "m"
        self.commit, self.tests_ref, self.args, self.cpus = commit, tests_ref, args, cpus
        self.groups = {}  # test group -> test names
        self.excluded = []

    def setup(self):
        if not (self.tree / ".git").exists():
            git("worktree", "add", "--detach", str(self.tree), self.commit)
        git("reset", "-q", "--hard", self.commit, cwd=self.tree)
        git("clean", "-fdq", cwd=self.tree)
        if self.tests_ref:
            git("rm", "-rq", "tests", cwd=self.tree)
            git("checkout", self.tests_ref, "--", "tests", cwd=self.tree)
        if not (self.build / "CMakeCache.txt").exists():
            # Unoptimised and without debug information: the quickest to rebuild.
            generator = ["-G", "Ninja"] if shutil.which("ninja") else []
            code, out = run(["cmake", "-S", str(self.tree), "-B", str(self.build), *generator,
                             "-DCMAKE_BUILD_TYPE=Debug", "-DCMAKE_CXX_FLAGS_DEBUG=-O0"])
            if code != 0:
                raise RuntimeError(f"{self.tree}: configure failed\n{out[-3000:]}")
        groups = sorted({g for gs in TESTS_FOR.values() for g in gs})
        targets = [t for g in groups for t in self.targets_of(g)]
        code, out = run(["cmake", "--build", str(self.build), f"-j{self.cpus}", "--target", *targets])
        if code != 0:
            raise RuntimeError(f"{self.tree}: the unmutated build failed\n{out[-3000:]}")
        listing = json.loads(run(["ctest", "--test-dir", str(self.build), "--show-only=json-v1"])[1])
        for test in listing["tests"]:
            name, program = test["name"], Path(test.get("command", ["?"])[0]).name
            group = (name.split(".")[0] if name.startswith(("cli.", "install.")) else
                     "replay" if program.startswith("replay_") else program.removeprefix("test_"))
            self.groups.setdefault(group, []).append(name)
        # The unmutated suite must pass; a test that fails already cannot kill anything.
        code, out = self.ctest(groups, timeout=None)
        if code != 0:
            self.excluded = failed_tests(out)
            log(f"{self.tree.name}: failing before any mutant, left out: {' '.join(self.excluded)}")

    def targets_of(self, group):
        if group == "cli":
            return ["kxrule"]
        if group == "replay":
            return ["replay_" + p.stem.removeprefix("fuzz_") for p in (self.tree / "fuzz").glob("fuzz_*.cpp")]
        return [f"test_{group}"] if (self.tree / "tests" / group).is_dir() else []

    def ctest(self, groups, timeout, stop=False):
        names = [n for g in groups for n in self.groups.get(g, [])]
        # gtest names run by suite (Suite.Case), which keeps the expression short; others by name.
        suites = sorted({re.escape(n.split(".")[0]) + r"\." if "." in n and not n.startswith("cli.")
                         else re.escape(n) + "$" for n in names})
        if not suites:
            return 0, ""
        cmd = ["ctest", "--test-dir", str(self.build), "-j", str(self.cpus), "--timeout", str(self.args.test_timeout),
               "-R", "^(" + "|".join(suites) + ")"]
        if self.excluded:
            cmd += ["-E", "^(" + "|".join(map(re.escape, self.excluded)) + ")$"]
        if stop:
            cmd.append("--stop-on-failure")
        return run(cmd, timeout=timeout)

    def test(self, mutant):
        path = self.tree / mutant["file"]
        groups = next(g for d, g in TESTS_FOR.items() if mutant["file"].startswith(d + "/"))
        original = path.read_bytes()
        start = time.time()
        try:
            path.write_text(mutant["_text"])
            targets = sorted({t for g in groups for t in self.targets_of(g)})
            code, out = run(["cmake", "--build", str(self.build), f"-j{self.cpus}", "--target", *targets],
                            timeout=self.args.build_timeout)
            if code != 0:
                # A test program that cannot even list its tests is a kill, not a build failure.
                killed = "Error running test executable" in out or "gtest_discover_tests" in out
                if not killed:
                    errors = [ln for ln in out.splitlines() if "error:" in ln]
                    mutant["build_error"] = (errors[0] if errors else out[-300:]).strip()[:300]
                return ("killed" if killed else "build-failed"), "test listing" if killed else ""
            left = max(1, self.args.mutant_timeout - (time.time() - start))
            code, out = self.ctest(groups, timeout=left, stop=True)
            if code is None:
                return "killed", "timeout"
            if code != 0:
                failed = failed_tests(out)
                return "killed", failed[0] if failed else "ctest failed"
            return "survived", ""
        finally:
            path.write_bytes(original)
            mutant["seconds"] = round(time.time() - start, 1)


# ---- Reports ----

def write_reports(out, mutants, meta):
    report = {**meta, "mutants": [{k: v for k, v in m.items() if not k.startswith("_")} for m in mutants]}
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_text(json.dumps(report, indent=1) + "\n")
    timed = [m["seconds"] for m in mutants if "seconds" in m]
    lines = [f"Commit {meta['commit'][:10]}, tests of {meta['tests'][:10]}, seed {meta['seed']}: {len(mutants)} mutants "
             f"in {meta['seconds']:.0f} s with {meta['jobs']} worker(s), of which the workers' setup "
             f"{max(meta['setup_seconds'].values(), default=0):.0f} s; "
             f"{sum(timed) / max(1, len(timed)):.0f} s per mutant in a worker.", "",
             "| file | mutants | killed | survived | build failed | score |", "| --- | ---: | ---: | ---: | ---: | ---: |"]
    rows = {}
    for m in mutants:
        key = "history" if m["operator"] == "history" else m["file"]
        rows.setdefault(key, Counter())[m.get("outcome", "not run")] += 1
    total = Counter()
    for key, c in sorted(rows.items(), key=lambda kv: (kv[0] == "history", kv[0])):
        total.update(c)
        lines.append(table_row(key, c))
    lines.append(table_row("**all**", total))
    if total["not run"]:
        lines += ["", f"{total['not run']} more not run (yet)."]
    survivors = [m for m in mutants if m.get("outcome") == "survived"]
    lines += ["", f"## Survivors ({len(survivors)})", ""]
    for m in survivors:
        lines += [f"`{m['id']}` line {m['line']}" + (f": {m['description']}" if "description" in m else ""),
                  "", "```diff", m["diff"].rstrip(), "```", ""]
    out.with_suffix(".md").write_text("\n".join(lines) + "\n")


def table_row(name, c):
    n = c["killed"] + c["survived"] + c["build-failed"]
    scored = c["killed"] + c["survived"]
    score = f"{100 * c['killed'] / scored:.0f} %" if scored else "-"
    return f"| {name} | {n} | {c['killed']} | {c['survived']} | {c['build-failed']} | {score} |"


def compare(before, after):
    a = {m["id"]: m for m in json.loads(Path(before).read_text())["mutants"]}
    b = {m["id"]: m for m in json.loads(Path(after).read_text())["mutants"]}
    lost = [i for i, m in a.items() if m.get("outcome") == "killed" and b.get(i, {}).get("outcome") != "killed"]
    gained = [i for i, m in b.items() if m.get("outcome") == "killed" and a.get(i, {}).get("outcome") != "killed"]
    log(f"{len(lost)} killed before and not after, {len(gained)} killed after and not before")
    for i in lost:
        log(f"\n{i} ({b.get(i, {}).get('outcome', 'not run after')})\n{a[i]['diff'].rstrip()}")
    return 1 if lost else 0


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--seed", type=int, default=17)
    ap.add_argument("--count", type=int, default=320, help="mutants spread over the files (default 320)")
    ap.add_argument("--limit", type=int, help="run only this many of them, shared out over the files as the whole set is")
    ap.add_argument("--files", nargs="+", help="only these files (paths, folders or glob patterns)")
    ap.add_argument("--ids", nargs="+", help="only the mutants whose id contains one of these")
    ap.add_argument("--jobs", type=int, default=1, help="workers, each with a worktree and build of its own")
    ap.add_argument("--tests-from", metavar="REF", help="run the tests/ of another commit on the same sources")
    ap.add_argument("--coverage", type=Path,
                    help="gcovr JSON of the lines the tests run (default: made in build/coverage for "
                         "the commit's code and tests, once)")
    ap.add_argument("--out", type=Path, help="JSON report; the markdown summary goes beside it")
    ap.add_argument("--list", action="store_true", help="print the selected mutants and stop")
    ap.add_argument("--no-history", action="store_true", help="leave out the faults of the history")
    ap.add_argument("--test-timeout", type=int, default=120, help="seconds for one test")
    ap.add_argument("--build-timeout", type=int, default=1200, help="seconds for one mutant's build")
    ap.add_argument("--mutant-timeout", type=int, default=900, help="seconds for one mutant's tests")
    ap.add_argument("--compare", nargs=2, metavar=("BEFORE", "AFTER"))
    args = ap.parse_args()
    if args.compare:
        return compare(*args.compare)

    cpus = os.cpu_count() or 1
    commit = git("rev-parse", "HEAD").strip()
    if not args.coverage:  # one coverage for each state of the code and its tests
        key = hashlib.sha1(git("ls-tree", "HEAD", "src", "host", "include", "tools", "tests").encode()).hexdigest()
        args.coverage = COVERAGE_DIR / f"coverage-{key[:12]}.json"
    coverage = ensure_coverage(args.coverage, cpus)
    mutants = spread(select(commit, coverage, args.seed, args.count, args.files, args.ids), args.limit)
    if not args.no_history:
        mutants += [m for m in history_mutants(commit, args.files)
                    if not args.ids or any(i in m["id"] for i in args.ids)]
    if args.list:
        for m in mutants:
            log(f"{m['id']}  line {m['line']}\n{m['diff']}")
        log(f"{len(mutants)} mutants")
        return 0

    tests = args.tests_from or "the same commit"
    if args.tests_from:
        args.tests_from = git("rev-parse", args.tests_from).strip()
    out = args.out or WORK_DIR / f"report-{args.tests_from[:10] if args.tests_from else commit[:10]}.json"
    log(f"{len(mutants)} mutants, {args.jobs} worker(s), tests of {tests}")
    start = time.time()
    workers = [Worker(n, commit, args.tests_from, args, max(1, cpus // args.jobs)) for n in range(args.jobs)]
    todo = queue.Queue()
    for m in mutants:  # in file order, so that consecutive builds of a worker recompile one file
        todo.put(m)
    done, lock, setup = [0], threading.Lock(), {}

    def meta():
        return {"commit": commit, "tests": args.tests_from or commit, "seed": args.seed, "count": args.count,
                "limit": args.limit, "jobs": args.jobs, "seconds": round(time.time() - start, 1),
                "setup_seconds": setup}

    def work(worker):
        try:
            begun = time.time()
            worker.setup()
            setup[worker.tree.name] = round(time.time() - begun, 1)
        except (RuntimeError, subprocess.CalledProcessError) as e:
            log(f"{worker.tree.name}: {e}")
            return
        while True:
            try:
                m = todo.get_nowait()
            except queue.Empty:
                return
            m["outcome"], m["killed_by"] = worker.test(m)
            with lock:
                done[0] += 1
                log(f"[{done[0]}/{len(mutants)}] {m['outcome']:<12} {m['seconds']:6.1f} s  {m['id']}  line {m['line']}"
                    + (f"  ({m['killed_by']})" if m["killed_by"] else ""))
                write_reports(out, mutants, meta())  # kept up to date, so that a stopped run still tells

    threads = [threading.Thread(target=work, args=(w,)) for w in workers]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    write_reports(out, mutants, meta())
    log(f"report: {out} and {out.with_suffix('.md')}")
    log(out.with_suffix(".md").read_text().split("\n## ")[0])
    return 0


if __name__ == "__main__":
    sys.exit(main())
