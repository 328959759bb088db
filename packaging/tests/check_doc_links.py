#!/usr/bin/env python3
"""Checks the links of the documentation: README.md and docs/*.md under ROOT.

Every relative link or image ([text](target), ![alt](target)) must name a file that exists
under ROOT, and a #fragment must name a heading of its target (or of the page itself), as
GitHub makes anchors of headings. Links in code (fenced blocks, `spans`) and to other sites
are not checked. Fails when a link is broken or when no link was found at all.

    check_doc_links.py ROOT        (the source tree, or an installed share/doc/kelvo)
    check_doc_links.py --self-test (the checker on pages made for it)
"""
import pathlib
import re
import sys
import tempfile

LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)\)")
HEADING = re.compile(r"^#{1,6}\s+(.*?)\s*#*\s*$")


def prose_lines(text):
    """The lines outside fenced code blocks, with inline code spans blanked."""
    fenced = False
    for line in text.splitlines():
        if line.lstrip().startswith("```"):
            fenced = not fenced
            continue
        if not fenced:
            yield re.sub(r"`[^`]*`", "``", line)


def anchor(heading):
    """GitHub's anchor of a heading: lower case, punctuation dropped, spaces made '-'."""
    text = re.sub(r"[`*_]", "", heading).strip().lower()
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def anchors(path):
    found = set()
    for line in prose_lines(path.read_text(encoding="utf-8")):
        match = HEADING.match(line)
        if match:
            found.add(anchor(match.group(1)))
    return found


def broken_links(root):
    pages = [root / "README.md"] + sorted((root / "docs").glob("*.md"))
    problems, checked = [], 0
    for page in pages:
        for number, line in enumerate(prose_lines(page.read_text(encoding="utf-8")), 1):
            for target in LINK.findall(line):
                if re.match(r"[a-z][a-z0-9+.-]*:", target):  # https:, mailto:
                    continue
                checked += 1
                path, _, fragment = target.partition("#")
                where = (page.parent / path).resolve() if path else page
                shown = f"{page.relative_to(root)}: {target}"
                if not where.exists():
                    problems.append(f"{shown}: no such file")
                elif fragment and where.suffix == ".md" and fragment not in anchors(where):
                    problems.append(f"{shown}: no heading with that anchor")
    return problems, checked


# Pages (README.md and one docs/page.md) and the broken links the checker must report.
SELF_TESTS = [
    ("[a](docs/page.md) ![b](docs/page.md#part-two-and-more)", "# P\n## Part two: and more", []),
    ("[a](docs/missing.md)", "# P", ["README.md: docs/missing.md: no such file"]),
    ("[a](docs/page.md#nowhere)", "# P", ["README.md: docs/page.md#nowhere: no heading with that anchor"]),
    ("# Top", "# P\n[up](../README.md#top) [self](#p) [gone](#q)",
     ["docs/page.md: #q: no heading with that anchor"]),
    ("`[code](x.md)` [site](https://example.com)\n```\n[fenced](y.md)\n```", "# P", []),
]


def self_test():
    failures = 0
    for readme, page, expected in SELF_TESTS:
        with tempfile.TemporaryDirectory() as scratch:
            root = pathlib.Path(scratch).resolve()
            (root / "docs").mkdir()
            (root / "README.md").write_text(readme + "\n", encoding="utf-8")
            (root / "docs" / "page.md").write_text(page + "\n", encoding="utf-8")
            problems, _ = broken_links(root)
        if problems != expected:
            failures += 1
            print(f"FAIL: {readme!r} / {page!r}: {problems} instead of {expected}", file=sys.stderr)
    print(f"{len(SELF_TESTS) - failures} of {len(SELF_TESTS)} self-tests passed")
    return 1 if failures else 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[-1].strip(), file=sys.stderr)
        return 2
    root = pathlib.Path(sys.argv[1]).resolve()
    problems, checked = broken_links(root)
    for problem in problems:
        print(f"broken link: {problem}", file=sys.stderr)
    if checked == 0:
        print(f"no links found under {root}", file=sys.stderr)
        return 1
    print(f"{checked} links checked, {len(problems)} broken")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
