"""The shape of the tools: one package under outils/, thin executables that
start it, no hand-made import path, files and functions small enough to read."""
import ast

import pytest

from conftest import OUTILS, RACINE

PAQUET = OUTILS / "atelier"
LIGNES_FICHIER, LIGNES_FONCTION, PARAMETRES = 400, 50, 6


def executables():
    """The extensionless Python tools of outils/."""
    return sorted(p for p in OUTILS.iterdir()
                  if p.is_file() and not p.suffix and p.read_bytes().startswith(b"#!/usr/bin/python3"))


def sources_python():
    """Every Python file of the tree outside the builds and runs."""
    for p in sorted(RACINE.rglob("*")):
        if not p.is_file() or {"build", "runs", ".git", "__pycache__"} & set(p.relative_to(RACINE).parts):
            continue
        if p.suffix == ".py" or (not p.suffix and p.read_bytes()[:64].startswith(b"#!/usr/bin/python3")):
            yield p


def test_chaque_outil_demarre_son_module():
    noms = [p.name for p in executables()]
    assert noms == ["balayage", "caracteriser", "composer", "lancer", "resultats_exemple", "tracer", "valider"]
    for p in executables():
        texte = p.read_text(encoding="utf-8")
        assert len(texte.splitlines()) <= 12, p
        assert f"from atelier import {p.name}\n" in texte and (PAQUET / f"{p.name}.py").exists(), p
        # through the one entry that turns any escaping error into a message
        assert f'sys.exit(entree.executer("{p.name}", {p.name}.' in texte, p


def test_aucun_chemin_d_import_fait_main():
    motif = "sys." + "path"  # spelt in two so that this file does not match itself
    fautifs = [str(p.relative_to(RACINE)) for p in sources_python() if motif in p.read_text(encoding="utf-8")]
    assert fautifs == []


@pytest.mark.parametrize("chemin", sorted(PAQUET.glob("*.py")) + executables(), ids=lambda p: p.name)
def test_fichiers_et_fonctions_courts(chemin):
    texte = chemin.read_text(encoding="utf-8")
    assert len(texte.splitlines()) <= LIGNES_FICHIER
    trop = []
    for f in ast.walk(ast.parse(texte)):
        if isinstance(f, (ast.FunctionDef, ast.AsyncFunctionDef)):
            a = f.args
            parametres = (len(a.posonlyargs) + len(a.args) + len(a.kwonlyargs) + (a.vararg is not None)
                          + (a.kwarg is not None))
            if f.end_lineno - f.lineno + 1 > LIGNES_FONCTION or parametres > PARAMETRES:
                trop.append(f"{f.name} : {f.end_lineno - f.lineno + 1} lignes, {parametres} paramètres")
    assert trop == []
