# SPDX-License-Identifier: MIT
"""Finding the library (environment variable, next to the package, system path), the error
that names every place tried, and the prototypes against the public header."""

import ctypes
import ctypes.util
import os
import re
import shutil

import pytest

from zarvo import _library

HEADER = os.path.join(
    os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
    "include",
    "zarvo.h",
)

C_TYPES = {
    "uint8_t": ctypes.c_uint8,
    "uint16_t": ctypes.c_uint16,
    "uint32_t": ctypes.c_uint32,
    "int32_t": ctypes.c_int32,
    "double": ctypes.c_double,
}


def c_type(text):
    text = text.strip()
    if text.endswith("*"):
        base = text[:-1].strip()
        return ctypes.c_void_p if base == "void" else ctypes.POINTER(C_TYPES[base])
    return C_TYPES[text]


def header_prototypes():
    source = open(HEADER).read()
    found = {}
    for restype, name, args in re.findall(r"ZARVO_API\((\w+)\)\s+(\w+)\(([^)]*)\);", source):
        types = []
        if args.strip() != "void":
            for parameter in args.split(","):
                # "uint16_t* ch1", "uint8_t ch", "void* callback"
                match = re.fullmatch(r"\s*(\w+)\s*(\*?)\s*\w+\s*", parameter)
                assert match, "unexpected parameter %r of %s" % (parameter, name)
                types.append(c_type(match.group(1) + match.group(2)))
        found[name] = (C_TYPES[restype], tuple(types))
    return found


def test_prototypes_match_the_public_header():
    header = header_prototypes()
    assert len(header) == 115
    assert set(_library.PROTOTYPES) == set(header)
    for name, (restype, argtypes) in header.items():
        assert _library.PROTOTYPES[name][0] is restype, name
        assert tuple(_library.PROTOTYPES[name][1]) == argtypes, name


LOAD_AND_REPORT = """
import zarvo
try:
    lib = zarvo.load_library()
    print("loaded", lib.zarvo_path)
except zarvo.LibraryNotFoundError as e:
    print("missing", len(e.tried))
    print(e)
"""


def library_file(library_path):
    if os.path.isdir(library_path):
        for name in _library.LIBRARY_NAMES:
            candidate = os.path.join(library_path, name)
            if os.path.exists(candidate):
                return candidate
        pytest.fail("no library in %s" % library_path)
    return library_path


def test_environment_variable_takes_the_file_or_its_folder(run_python, library_path):
    path = library_file(library_path)
    for setting in (path, os.path.dirname(path)):
        done = run_python(LOAD_AND_REPORT, env={"ZARVO_LIBRARY": setting})
        assert done.stdout.splitlines()[0] == "loaded " + path, done.stderr


def test_a_wrong_environment_variable_names_the_path_and_tries_nothing_else(
    run_python, tmp_path
):
    missing = str(tmp_path / "nowhere" / _library.LIBRARY_NAMES[0])
    done = run_python(LOAD_AND_REPORT, env={"ZARVO_LIBRARY": missing})
    lines = done.stdout.splitlines()
    assert lines[0] == "missing 1"
    assert missing + ": no such file" in done.stdout
    assert "ZARVO_LIBRARY" in done.stdout

    not_a_library = tmp_path / _library.LIBRARY_NAMES[0]
    not_a_library.write_text("text, not a shared library\n")
    done = run_python(LOAD_AND_REPORT, env={"ZARVO_LIBRARY": str(tmp_path)})
    assert done.stdout.splitlines()[0] == "missing %d" % len(_library.LIBRARY_NAMES)
    # The loader's own reason is kept for the file that exists but does not load.
    assert re.search(re.escape(str(not_a_library)) + r": \S", done.stdout)
    assert "no such file" not in done.stdout.split(str(not_a_library))[1].splitlines()[0]


def copy_package(tmp_path):
    source = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "zarvo")
    target = tmp_path / "site" / "zarvo"
    shutil.copytree(source, target, ignore=shutil.ignore_patterns("__pycache__"))
    return target


def test_library_next_to_the_package_is_found(run_python, library_path, tmp_path):
    package = copy_package(tmp_path)
    path = library_file(library_path)
    shutil.copy(path, package / _library.LIBRARY_NAMES[0])
    done = run_python(
        LOAD_AND_REPORT,
        env={"ZARVO_LIBRARY": None, "LD_LIBRARY_PATH": None,
             "PYTHONPATH": str(package.parent)},
    )
    assert done.stdout.splitlines()[0] == "loaded " + str(package / _library.LIBRARY_NAMES[0])


def test_missing_everywhere_lists_every_place_tried(run_python, tmp_path):
    package = copy_package(tmp_path)
    done = run_python(
        LOAD_AND_REPORT,
        env={"ZARVO_LIBRARY": None, "LD_LIBRARY_PATH": None,
             "PYTHONPATH": str(package.parent)},
    )
    if done.stdout.startswith("loaded"):
        pytest.skip("a zarvo library is installed on this system's library path")
    assert done.stdout.startswith("missing")
    for name in _library.LIBRARY_NAMES:
        assert str(package / name) + ": no such file" in done.stdout
        assert "\n  %s: not on the system's library path" % name in done.stdout


def test_a_library_without_the_exports_is_refused(run_python):
    other = ctypes.util.find_library("m")
    if other is None:
        pytest.skip("no C maths library to stand in for a foreign library")
    code = (
        "import zarvo\n"
        "try:\n"
        "    zarvo.load_library(%r)\n"
        "    print('loaded')\n"
        "except zarvo.LibraryNotFoundError as e:\n"
        "    print(e)\n" % other
    )
    done = run_python(code)
    assert "%s is not the zarvo library: it lacks InitInstrument" % other in done.stdout, (
        done.stdout + done.stderr
    )
