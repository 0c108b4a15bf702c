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


def stub_docs():
    """The docstring the stubs give each class, function, method and property, by owner and
    name; the module itself under (None, None)."""
    with open(STUBS, encoding="utf-8") as text:
        tree = ast.parse(text.read())
    docs = {(None, None): ast.get_docstring(tree)}
    for node in tree.body:
        if isinstance(node, ast.ClassDef):
            docs[(node.name, None)] = ast.get_docstring(node)
            for item in node.body:
                if isinstance(item, ast.FunctionDef):
                    docs[(node.name, item.name)] = ast.get_docstring(item)
        elif isinstance(node, ast.FunctionDef):
            docs[(None, node.name)] = ast.get_docstring(node)
    return docs


STUB_DOCS = stub_docs()


def words(text):
    return " ".join((text or "").split())


def module_doc(owner, name):
    """What help() shows for it, without the signature pybind11 puts first."""
    holder = meshcfg if owner is None else getattr(meshcfg, owner)
    if name is None:
        return words(holder.__doc__)
    held = vars(holder).get(name)
    doc = held.__doc__ if isinstance(held, property) else getattr(holder, name).__doc__
    doc = doc or ""
    if doc.startswith(name + "("):
        doc = doc.partition("\n\n")[2]
    return words(doc)


@pytest.mark.parametrize(
    "owner, name", sorted(STUB_DOCS, key=lambda key: (str(key[0]), str(key[1]))), ids=str
)
def test_the_module_holds_the_docstrings_the_stubs_repeat(owner, name):
    shown = module_doc(owner, name)
    assert shown == words(STUB_DOCS[(owner, name)])
    if not (name or "").startswith("__"):
        assert shown, "help() shows no words for it"
