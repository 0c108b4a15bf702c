"""The type stubs installed beside the module name exactly what the module holds."""

import ast
import os

import pytest

import meshcfg

STUBS = os.path.join(os.path.dirname(meshcfg.__file__), "meshcfg.pyi")


def stub_names():
    """Each class of the stubs with its members, and the module's functions under None."""
    with open(STUBS, encoding="utf-8") as text:
        tree = ast.parse(text.read())
    names = {None: set()}
    for node in tree.body:
        if isinstance(node, ast.ClassDef):
            members = {
                item.name if isinstance(item, ast.FunctionDef) else item.target.id
                for item in node.body
                if isinstance(item, (ast.FunctionDef, ast.AnnAssign))
            }
            names[node.name] = members
        elif isinstance(node, ast.FunctionDef):
            names[None].add(node.name)
    return names


STUB_NAMES = stub_names()


def public(names):
    return {name for name in names if not name.startswith("_")}


@pytest.mark.parametrize("owner", sorted(STUB_NAMES, key=str))
def test_the_stubs_name_what_the_module_holds(owner):
    if owner is None:
        held = {name for name in public(dir(meshcfg)) if not isinstance(getattr(meshcfg, name), type)}
    else:
        cls = getattr(meshcfg, owner)
        held = public(vars(cls)) if not issubclass(cls, BaseException) else set()
        held |= {"port", "reason", "exit_code"} if owner == "Error" else set()
    assert public(STUB_NAMES[owner]) == held


def test_every_class_of_the_module_has_its_stub():
    classes = {name for name in public(dir(meshcfg)) if isinstance(getattr(meshcfg, name), type)}
    assert classes == set(STUB_NAMES) - {None}
