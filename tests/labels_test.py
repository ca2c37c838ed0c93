"""Every test registered in a build carries a label, so that each tier (ctest -L unit, ...)
runs what it should: a test without one is run by no tier, and the quick loop skips it.
    labels_test.py CTEST BUILD_DIR"""
import json
import subprocess
import sys

from cli_checks import check, report


def unlabelled(listing):
    """The names of the tests in ctest's JSON listing that have no label. A test program
    not built yet stands as NAME_NOT_BUILT until its cases are listed: it is none."""
    names = []
    for test in listing.get("tests", []):
        if test["name"].endswith("_NOT_BUILT"):
            continue
        labels = [p.get("value") for p in test.get("properties", []) if p.get("name") == "LABELS"]
        if not labels or not any(labels[0]):
            names.append(test["name"])
    return names


def main():
    ctest, build = sys.argv[1:3]
    out = subprocess.run([ctest, "--show-only=json-v1", "--test-dir", build],
                         capture_output=True, text=True, check=True).stdout
    listing = json.loads(out)
    tests = [t for t in listing.get("tests", []) if not t["name"].endswith("_NOT_BUILT")]
    check(tests, f"ctest lists no test in {build}")
    # The check itself: a test without a label, and one with an empty list, are found.
    check(unlabelled({"tests": [{"name": "bare", "properties": []},
                                {"name": "empty", "properties": [{"name": "LABELS", "value": []}]},
                                {"name": "x_tests_NOT_BUILT", "properties": []},
                                {"name": "kept", "properties": [{"name": "LABELS",
                                                                 "value": ["unit"]}]}]})
          == ["bare", "empty"], "the check does not find a test without a label")
    report([f"{name} has no label" for name in unlabelled(listing)])
    print(f"every one of the {len(tests)} tests has a label")


main()
