"""outils/composer and the materials library, against the sources' values
and against gain itself: gaps as gain prints them, strain sign, the X/Y/Z
mapping, the refusals, and the bundled examples."""
import math
import pathlib
import re
import shlex

import pytest

from atelier.verification import verifier_dossier
from conftest import EXEMPLES, RACINE, executer_composer, executer_gain

# Values of the 2001 review of III-V band parameters, typed here independently
# of outils/materiaux.toml: Gamma gap at 0 K (eV), Varshni alpha (meV/K), beta (K).
VARSHNI = {"GaAs": (1.519, 0.5405, 204), "AlAs": (3.099, 0.885, 530), "InAs": (0.417, 0.276, 93),
           "GaP": (2.886, 0.1081, 164), "InP": (1.4236, 0.363, 162)}


def gap(binaire, T):
    Eg, alpha, beta = VARSHNI[binaire]
    if binaire == "GaP":   # the review's law for GaP's Gamma gap is not Varshni's
        return Eg - alpha * (1 / math.tanh(beta / T) - 1)
    return Eg - alpha * 1e-3 * T * T / (beta + T)


def in_ga_as(x_in, T):
    return x_in * gap("InAs", T) + (1 - x_in) * gap("GaAs", T) - x_in * (1 - x_in) * 0.477


def al_ga_as(x_al, T):
    return x_al * gap("AlAs", T) + (1 - x_al) * gap("GaAs", T) - x_al * (1 - x_al) * (-0.127 + 1.310 * x_al)


# Tiny grids: only the material and the zone-centre levels matter here, as
# gain forms them (its answer to --verifier --json).
GRILLE = ("--regler", "calcul.Nk=2", "--regler", "calcul.deltak=1e8")


def composer_et_lancer(gain_exe, dossier, puits, barriere, *reglages):
    config = dossier / "config.ini"
    fait = executer_composer("--puits", puits, "--barriere", barriere, *GRILLE, *reglages, "-o", config)
    assert fait.returncode == 0, fait.stderr
    v = verifier_dossier(dossier, gain_exe)
    assert v.materiau and v.niveaux_k0, v.erreur
    return fait.stdout, v


# 0.01 K stands for 0 K (the Varshni term is then below 1e-9 eV), so that the
# file stays valid where a strictly positive temperature is required.
@pytest.mark.parametrize("T", [0.01, 300])
@pytest.mark.parametrize("puits, barriere, Eg_puits, Eg_barriere", [
    ("GaAs:100", "AlAs:200", lambda T: gap("GaAs", T), lambda T: gap("AlAs", T)),
    ("InAs:50", "InP:200", lambda T: gap("InAs", T), lambda T: gap("InP", T)),
    ("GaP:50", "GaAs:200", lambda T: gap("GaP", T), lambda T: gap("GaAs", T)),
    # Bowing constant (InGaAs) and composition-dependent (AlGaAs, mapped with
    # Al as the barrier's Y and as the well's Z).
    ("In0.2Ga0.8As:75", "Al0.3Ga0.7As:250", lambda T: in_ga_as(0.2, T), lambda T: al_ga_as(0.3, T)),
    ("Al0.1Ga0.9As:100", "Al0.3Ga0.7As:250", lambda T: al_ga_as(0.1, T), lambda T: al_ga_as(0.3, T)),
])
def test_gaps_imprimes_par_gain(gain_exe, tmp_path, puits, barriere, Eg_puits, Eg_barriere, T):
    rapport, r = composer_et_lancer(gain_exe, tmp_path, puits, barriere, "--regler", f"constantes.temperature={T}")
    m = r.materiau
    assert m["Eg_puits_eV"] == pytest.approx(Eg_puits(T), abs=1e-6)
    assert m["Eg_barriere_eV"] == pytest.approx(Eg_barriere(T), abs=1e-6)
    # The composer announces what gain computes, to the digits gain prints.
    assert f"Eg_Puits: {m['Eg_puits_eV']:.6f} eV" in rapport
    assert f"Eg_Barriere: {m['Eg_barriere_eV']:.6f} eV" in rapport
    assert f"Vc: {m['Vc_meV']:.6f} meV" in rapport


@pytest.mark.parametrize("puits, barriere, genre, bande_haute", [
    ("In0.2Ga0.8As:75", "GaAs:250", "compression", "HH"),
    ("GaAs0.85P0.15:60", "Al0.3Ga0.7As:250", "tension", "LH"),
])
def test_signe_de_la_contrainte(gain_exe, tmp_path, puits, barriere, genre, bande_haute):
    rapport, r = composer_et_lancer(gain_exe, tmp_path, puits, barriere)
    epsilon = float(re.search(r"epsilon = (\S+) \((\w+)", rapport).group(1))
    assert re.search(rf"epsilon = \S+ \({genre}\)", rapport)
    assert (epsilon < 0) == (genre == "compression")
    # gain's own levels: the top hole level is the smallest hole energy.
    niveaux = r.niveaux_k0
    haut = "HH" if niveaux["HH_meV"][0] < niveaux["LH_meV"][0] else "LH"
    assert haut == bande_haute, niveaux


def cles(chemin):
    valeurs, section = {}, None
    for ligne in pathlib.Path(chemin).read_text().splitlines():
        if ligne.startswith("["):
            section = ligne.strip("[]")
        elif "=" in ligne:
            cle, valeur = ligne.split("=", 1)
            valeurs[(section, cle)] = valeur
    return valeurs


@pytest.mark.parametrize("puits, barriere, X, Z, Y, x, y", [
    ("In0.2Ga0.8As:75", "GaAs:250", "GaAs", "InAs", "GaAs", 0.8, 0),
    ("GaAs:100", "Al0.3Ga0.7As:250", "GaAs", "GaAs", "AlAs", 1, 0.3),
    ("In0.53Ga0.47As:90", "In0.52Al0.48As:250", "InAs", "GaAs", "AlAs", 0.53, 0.48),
    ("GaAs0.85P0.15:60", "Al0.3Ga0.7As:250", "GaAs", "GaP", "AlAs", 0.85, 0.3),
])
def test_correspondance_X_Y_Z(tmp_path, puits, barriere, X, Z, Y, x, y):
    fait = executer_composer("--puits", puits, "--barriere", barriere, "-o", tmp_path / "config.ini")
    assert fait.returncode == 0, fait.stderr
    assert f"X = {X}, Z = {Z}," in fait.stdout and f"Y = {Y}," in fait.stdout
    c = cles(tmp_path / "config.ini")
    assert float(c[("puits", "ratio_x")]) == x and float(c[("barriere", "ratio_y")]) == y
    # The end-member keys carry the binaries named.
    assert float(c[("puits", "Eg_0K_x")]) == VARSHNI[X][0]
    if Z != "GaP":   # GaP's written Varshni law is the one fitted at the temperature
        assert float(c[("puits", "Eg_0K_1-x")]) == VARSHNI[Z][0]
    assert float(c[("barriere", "Eg_0K_y")]) == VARSHNI[Y][0]


def base_modifiee(tmp_path, ancienne, nouvelle):
    texte = (EXEMPLES / "in020ga080as_980nm" / "config.ini").read_text()
    assert ancienne in texte
    chemin = tmp_path / "base.ini"
    chemin.write_text(texte.replace(ancienne, nouvelle))
    return chemin


def bibliotheque_quadratique(tmp_path, sorte="quadratique"):
    texte = (RACINE / "outils" / "materiaux.toml").read_text()
    chemin = tmp_path / "bib.toml"
    if sorte == "sans_quaternaires":
        chemin.write_text(texte.replace("[quaternaires.", "[autres."))
    else:
        chemin.write_text(texte.replace("bowing_Eg_Gamma = [-0.127, 1.310]", "bowing_Eg_Gamma = [-0.127, 1.310, 0.2]"))
    return chemin


@pytest.mark.parametrize("puits, barriere, autres, message", [
    ("Ga0.5In0.5Sb:75", "GaAs:250", [], "matériau inconnu GaSb"),
    ("Xx0.2Ga0.8As:75", "GaAs:250", [], "élément inconnu Xx"),
    ("In1.2Ga-0.2As:75", "GaAs:250", [], "hors de [0, 1]"),
    ("In0.3Ga0.8As:75", "GaAs:250", [], "font 1.1, pas 1"),
    ("In0.2GaAs:75", "GaAs:250", [], "donnez la fraction"),
    ("In0.2Ga0.8As", "GaAs:250", [], "mal formée"),
    ("In0.2Ga0.8As:abc", "GaAs:250", [], "n'est pas un nombre"),
    ("In0.2Ga0.8As:-5", "GaAs:250", [], "strictement positive"),
    ("In0.2Ga0.8:75", "GaAs:250", [], "pas d'élément du groupe V"),
    ("Al0.2Ga0.3In0.5As0.5P0.5:75", "GaAs:250", [], "matériau inconnu AlP"),
    ("In0.72Ga0.28As0.61P0.39:60", "InP:200", [("bibliotheque", "sans_quaternaires")], "sans quaternaire"),
    ("In0.2Ga0.8As:75", "Ga0.51In0.49P:250", [], "aucun binaire commun"),
    # The base as gain reads it, refused with gain's own message.
    ("In0.2Ga0.8As:75", "GaAs:250", [("base", "Nk=70", "Nk=1")], "Il faut au moins 2 valeurs sur kx"),
    ("In0.2Ga0.8As:75", "GaAs:250", [("base", "Nk=70", "Nk=200000")], "Valeur hors bornes pour la clé Nk"),
    ("In0.2Ga0.8As:75", "GaAs:250", [("base", "nb_fils=0", "nb_fils=-5")], "Valeur hors domaine pour la clé nb_fils"),
    ("In0.2Ga0.8As:75", "GaAs:250", [("base", "deltak=1.5e7\n", "")], "Parametre : deltak"),
    ("In0.2Ga0.8As:75", "GaAs:250", [("base", "facteur_confinement=0.015", "facteur_confinement=0,015")],
     "le séparateur décimal est le point"),
    ("In0.2Ga0.8As:75", "GaAs:250", [("base", "Rmax=0.95", "Rmax=1.5")], "Valeur hors domaine pour la clé Rmax"),
    ("In0.2Ga0.8As:75", "GaAs:250", [("base", "[calcul]", "[calcul] ")], "Il faut au moins 2 valeurs sur kx"),
    ("In0.2Ga0.8As:75", "GaAs:250", [("regler", "systeme.K_delta_Ec=1.2")], "K_delta_Ec = 1.2 hors du domaine"),
    ("In0.2Ga0.8As:75", "GaAs:250", [("regler", "puits.mc_x=0.1")], "viennent de la bibliothèque"),
    ("In0.2Ga0.8As:75", "GaAs:250", [("regler", "calcul.arret=1")], "clé inconnue"),
    ("GaAs:100", "Al0.3Ga0.7As:250", [("bibliotheque",)], "degré 2"),
    ("GaAs:100", "GaAs:250", [("K",)], "ont la même bande interdite"),
    # a lattice-matched quaternary by its gap: the target's form, --accord, the reach of the line
    ("InGaAsP:1.3:60", "InP:200", [("accord",)], "attendu InGaAsP:CIBLE:LARGEUR"),
    ("InGaAsP:1.3um:60", "InP:200", [], "demande --accord SUBSTRAT"),
    ("InGaAsP:2um:60", "InP:200", [("accord",)], "va de 0.7327 à 1.3529 eV à 300 K"),
])
def test_refus(tmp_path, puits, barriere, autres, message):
    arguments = ["--puits", puits, "--barriere", barriere]
    for autre in autres:
        if autre[0] == "base":
            arguments += ["--base", base_modifiee(tmp_path, autre[1], autre[2])]
        elif autre[0] == "regler":
            arguments += ["--regler", autre[1]]
        elif autre[0] == "bibliotheque":
            arguments += ["--bibliotheque", bibliotheque_quadratique(tmp_path, *autre[1:])]
        elif autre[0] == "accord":
            arguments += ["--accord", "InP"]
        else:
            arguments += ["--K_delta_Ec-source"]
    sortie = tmp_path / "sortie" / "config.ini"
    fait = executer_composer(*arguments, "-o", sortie)
    assert fait.returncode == 1
    assert message in fait.stderr, fait.stderr
    assert not sortie.exists() and fait.stdout == ""


def test_refus_de_gain_garde_la_sortie(tmp_path):
    sortie = tmp_path / "config.ini"
    sortie.write_text("ancien\n")
    fait = executer_composer("--puits", "In0.2Ga0.8As:75", "--barriere", "GaAs:250", "--force", "--sans-gain",
                             "--base", base_modifiee(tmp_path, "Nk=70", "Nk=200000"), "-o", sortie)
    assert fait.returncode == 1 and "gain refuse" in fait.stderr and "(statut 1)" in fait.stderr
    assert sortie.read_text() == "ancien\n" and sorted(p.name for p in tmp_path.iterdir()) == ["base.ini", "config.ini"]


def test_sortie_existante_gardee_sauf_force(tmp_path):
    sortie = tmp_path / "config.ini"
    sortie.write_text("ancien\n")
    couches = ("--puits", "In0.2Ga0.8As:75", "--barriere", "GaAs:250", "-o", sortie)
    fait = executer_composer(*couches)
    assert fait.returncode == 1 and "existe déjà" in fait.stderr
    assert sortie.read_text() == "ancien\n"
    assert executer_composer(*couches, "--force").returncode == 0
    assert "[puits]" in sortie.read_text()
    assert sorted(p.name for p in tmp_path.iterdir()) == ["arguments", "config.ini"]  # no temporary file left
    # An arguments file of an earlier run is kept as well.
    sortie.unlink()
    (tmp_path / "arguments").write_text("courant 3 1e17\n")
    fait = executer_composer(*couches)
    assert fait.returncode == 1 and "arguments existe déjà" in fait.stderr
    assert (tmp_path / "arguments").read_text() == "courant 3 1e17\n" and not sortie.exists()


def test_recomposition_de_l_exemple_de_reference(tmp_path):
    """The library reproduces every number of the reference example but the
    refractive indices (3.5 there, the near-gap model at the gain peak in
    the library), once the window and first density are those of the base."""
    reference = EXEMPLES / "in020ga080as_980nm" / "config.ini"
    fait = executer_composer("--puits", "In0.2Ga0.8As:75", "--barriere", "GaAs:250", "--base", reference,
                             "--regler", "calcul.debut_E=1150", "--regler", "calcul.fin_E=1400",
                             "--regler", "calcul.Ninj=1e18", "-o", tmp_path / "config.ini")
    assert fait.returncode == 0, fait.stderr
    avant, apres = cles(reference), cles(tmp_path / "config.ini")
    assert avant.keys() == apres.keys()
    differences = {k for k in avant if avant[k] != apres[k] and
                   not (re.fullmatch(r"[-+.0-9e]+", avant[k]) and float(avant[k]) == float(apres[k]))}
    assert differences == {("puits", "nr_x"), ("puits", "nr_1-x")}
    assert float(apres[("puits", "nr_x")]) == float(apres[("puits", "nr_1-x")]) == pytest.approx(3.6, abs=0.1)


EXEMPLES_COMPOSES = sorted(p.parent.name for p in EXEMPLES.glob("*/composition"))


@pytest.mark.parametrize("nom", EXEMPLES_COMPOSES)
def test_exemple_reproductible(tmp_path, nom):
    mots = shlex.split((EXEMPLES / nom / "composition").read_text())
    fait = executer_composer(*mots, "-o", tmp_path / "config.ini")
    assert fait.returncode == 0, fait.stderr
    for fichier in ("config.ini", "arguments"):
        assert (tmp_path / fichier).read_bytes() == (EXEMPLES / nom / fichier).read_bytes(), fichier


def chiffres_cites(nom):
    """Jth (A/cm²) and λ (nm) of an example as the README's examples table and
    the Results of its own README quote them."""
    ligne = next(l for l in (RACINE / "README.md").read_text(encoding="utf-8").splitlines()
                 if l.startswith(f"| [`{nom}`]"))
    cellules = [c.strip() for c in ligne.strip().strip("|").split("|")]
    resultats = (EXEMPLES / nom / "README.md").read_text(encoding="utf-8").split("<!-- RESULTATS_DEBUT -->")[1]
    seuil = re.search(r"Jth = (\S+) A/cm².*emission wavelength (\S+) nm", resultats)
    return [cellules[5], cellules[7], *seuil.groups()]


@pytest.mark.parametrize("nom", EXEMPLES_COMPOSES)
def test_exemple_atteint_le_seuil(gain_exe, dossier_exemple, nom):
    dossier = dossier_exemple(nom)
    run = executer_gain(gain_exe, dossier, (dossier / "arguments").read_text().split())
    assert run.returncode == 0, run.stdout.decode(errors="replace")[-2000:]
    lignes = (dossier / "parametres.txt").read_bytes().decode("cp1252").splitlines()[1:]
    dernier = [float(v) for v in lignes[-1].split("\t")]
    assert len(lignes) > 1 and dernier[1] >= dernier[2], lignes   # Gmax >= Gth, not at the first density
    # An example named for its wavelength lases within 40 nm of it.
    cible = re.search(r"_(\d+)nm", nom)
    assert cible is None or abs(dernier[6] - float(cible.group(1))) <= 40, (nom, dernier[6])
    # The numbers the README's examples table and the example's Results quote
    # are today's: a mend that moves them fails here until they are regenerated.
    assert chiffres_cites(nom) == [f"{dernier[5]:.1f}", f"{dernier[6]:.1f}"] * 2, nom
    if "_tm_" in nom:
        # Light holes on top: the TM gain of the threshold density exceeds the TE gain.
        spectres = [[float(v) for v in l.split()] for l in (dossier / "gain.txt").read_text().splitlines()[1:]]
        derniere = spectres[-len({s[0] for s in spectres}):]
        assert max(s[2] for s in derniere) > max(s[1] for s in derniere)
