"""The README and the pages of docs/: every relative link reaches a file of the
tree, every page is linked from the README, and the README opens with its
walk-through."""
import re

from conftest import RACINE

LIEN = re.compile(r"\]\(([^)#\s]+)(#[^)]*)?\)")


def pages():
    return [RACINE / "README.md"] + sorted((RACINE / "docs").glob("*.md"))


def test_chaque_lien_mene_a_un_fichier():
    casses = []
    for page in pages():
        for cible, _ in LIEN.findall(page.read_text(encoding="utf-8")):
            if "://" not in cible and not (page.parent / cible).exists():
                casses.append(f"{page.relative_to(RACINE)} -> {cible}")
    assert casses == []


def test_chaque_page_est_liee_et_le_parcours_vient_d_abord():
    readme = (RACINE / "README.md").read_text(encoding="utf-8")
    liees = {cible for cible, _ in LIEN.findall(readme)}
    assert [p.name for p in pages()[1:] if f"docs/{p.name}" not in liees] == []
    titres = re.findall(r"^## (.+)$", readme, re.M)
    assert titres[0] == "Walk-through"
    parcours = readme.split("## Walk-through\n", 1)[1].split("\n## ", 1)[0]
    assert len(parcours.splitlines()) <= 80
