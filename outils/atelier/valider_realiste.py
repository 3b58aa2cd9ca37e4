"""The realistic model's own checks beside the panel, each run by gain on a
composed file:

- radiatif: the radiative coefficient B2D = Jrad/(q n p) of a quantum well
  over a series of equal electron and hole sheet densities, against the
  measurement of validation/radiatif/radiatif.toml;
- largeurs: the threshold of the bundled 980 nm example through a width
  sweep (outils/balayage), with every realistic key and without the
  barrier continuum, and the step from each width to the next;
- plancher: the radiative current at transparency of each device of the
  panel, the floor no non-radiative key moves.

Each writes its table (.tsv) and, for the first two, a figure into the
output folder, and with --ecrire into validation/ and its README section.
"""
import json
import math
import shutil
import subprocess
import sys
import tomllib

import numpy as np

from .verification import RACINE, ErreurLecture

VALIDATION = RACINE / "validation"
COMPOSER = RACINE / "outils" / "composer"
BALAYAGE = RACINE / "outils" / "balayage"
EXEMPLE = RACINE / "examples" / "in020ga080as_980nm"


class Echec(Exception):
    """A check that cannot be composed or run: message, exit status 1."""


def composer(mots, config):
    config.parent.mkdir(parents=True, exist_ok=True)
    fait = subprocess.run([str(COMPOSER), *mots, "--force", "-o", str(config)], capture_output=True, text=True,
                          check=False)
    if fait.returncode != 0:
        raise Echec(f"composer a échoué : {fait.stderr.strip() or fait.stdout.strip()}")


def regler(texte, reglages):
    """config.ini text with each (section, key) = value set: replaced where
    the key is, else added at the end of its section (the section added at the
    end of the file when it is missing)."""
    lignes = texte.splitlines()
    for (section, cle), valeur in reglages.items():
        debut = next((i for i, l in enumerate(lignes) if l.strip() == f"[{section}]"), None)
        if debut is None:
            lignes += ["", f"[{section}]", f"{cle}={valeur}"]
            continue
        fin = next((i for i in range(debut + 1, len(lignes)) if lignes[i].startswith("[")), len(lignes))
        trouve = next((i for i in range(debut + 1, fin) if lignes[i].split("=", 1)[0].strip() == cle), None)
        if trouve is not None:
            lignes[trouve] = f"{cle}={valeur}"
        else:
            while fin > debut + 1 and not lignes[fin - 1].strip():
                fin -= 1
            lignes.insert(fin, f"{cle}={valeur}")
    return "\n".join(lignes) + "\n"


def section(texte, nom):
    """{key: text} of one section of a config.ini text."""
    cles, dedans = {}, False
    for l in texte.splitlines():
        if l.startswith("["):
            dedans = l.strip() == f"[{nom}]"
        elif dedans and "=" in l:
            cle, valeur = l.split("=", 1)
            cles[cle.strip()] = valeur.strip()
    return cles


def executer_gain(gain, dossier, arguments):
    """Runs gain in dossier (its config.ini naming the run record); returns
    the record's passes, as arrays: N (cm-3), Gmax of the lasing pair (cm-1),
    Jrad (A/cm2, the barriers' included) and the continuum's (electrons cm-2,
    holes cm-2, Jrad A/cm2) of each pass, zeros without it."""
    config = dossier / "config.ini"
    texte = config.read_text()
    nom = section(texte, "sortie").get("fichier_resultats")
    if not nom:
        nom = "resultats.json"
        config.write_text(regler(texte, {("sortie", "fichier_resultats"): nom}))
    run = subprocess.run([str(gain), *arguments], cwd=dossier, capture_output=True, check=False, timeout=3600)
    console = run.stdout.decode("utf-8", errors="replace")
    (dossier / "console.txt").write_text(console, encoding="utf-8")
    if run.returncode != 0:
        raise Echec(f"gain a échoué dans {dossier} ({run.returncode}) :\n{console[-1500:]}")
    try:
        releve = json.loads((dossier / nom).read_text(encoding="utf-8"))
        passes, q = releve["passes"], releve["constantes"]["q_C"]
    except (OSError, ValueError, KeyError, TypeError) as e:
        raise Echec(f"{dossier / nom} : relevé du calcul illisible ({e})") from None
    if not passes:
        raise Echec(f"{dossier / nom} : aucune passe")
    vide = {"electrons_cm2": 0.0, "trous_cm2": 0.0, "Jrad_A_cm2": 0.0}
    b = [x.get("barrieres", vide) for x in passes]
    return {"N": np.array([x["N_cm3"] for x in passes], dtype=float),
            "Gmax": np.array([x["Gmax_cm1"] for x in passes], dtype=float),
            "Jrad": np.array([x["Jrad_A_cm2"] for x in passes], dtype=float),
            "continuum": np.array([(c["electrons_cm2"], c["trous_cm2"], c["Jrad_A_cm2"]) for c in b], dtype=float),
            "q": q}


# -- radiative coefficient -------------------------------------------------

def coefficient_radiatif(N_cm3, Jrad, continuum, Lw_A, q):
    """B2D (cm2/s) at each pass: the well's radiative current over q times
    its electron and hole sheet densities, the injected N*Lw less what the
    barrier continuum holds (and the continuum's own emission out of Jrad);
    with the injected sheet density n of each pass."""
    n = np.asarray(N_cm3) * Lw_A * 1e-8
    c = np.asarray(continuum, dtype=float).reshape(-1, 3)
    n_puits, p_puits, J_puits = n - c[:, 0], n - c[:, 1], np.asarray(Jrad) - c[:, 2]
    return n, J_puits / (q * n_puits * p_puits)


def radiatif(gain, sortie):
    d = tomllib.loads((VALIDATION / "radiatif" / "radiatif.toml").read_text(encoding="utf-8"))
    dossier = sortie / "radiatif"
    composer(d["composer"], dossier / "config.ini")
    s = d["serie"]
    config = dossier / "config.ini"
    config.write_text(regler(config.read_text(), {("calcul", "Ninj"): f"{s['debut_cm3']:g}",
                                                  ("calcul", "arret_seuil"): "0"}))
    p = executer_gain(gain, dossier, ["courant", str(s["nombre"]), f"{s['debut_cm3']:g}"])
    Lw = float(section(config.read_text(), "puits")["largeur"])
    n, B = coefficient_radiatif(p["N"], p["Jrad"], p["continuum"], Lw, p["q"])  # gain's q
    lignes = [{"n_cm2": a, "B2D_cm2_s": b, "Jrad_A_cm2": j} for a, b, j in zip(n, B, p["Jrad"])]
    return d, lignes


def bilan_radiatif(d, lignes):
    """B2D over the non-degenerate range of the comparison, its spread, and
    the measured range."""
    bas, haut = d["comparaison"]["n_cm2"]
    dedans = [l["B2D_cm2_s"] for l in lignes if bas * (1 - 1e-9) <= l["n_cm2"] <= haut * (1 + 1e-9)]
    if not dedans:
        raise Echec(f"radiatif : aucune densité de la série entre {bas:g} et {haut:g} cm-2")
    return {"min": min(dedans), "max": max(dedans), "mesure": tuple(d["mesure"]["B_cm2_s"]), "bas": bas, "haut": haut}


def tracer_radiatif(d, lignes, b, base):
    plt = _pyplot()
    fig, ax = plt.subplots(figsize=(6, 4.2))
    bas, haut = (1e4 * v for v in b["mesure"])
    ax.axhspan(bas, haut, color="0.85", label=f"mesuré ({d['mesure']['reference']})")
    # the measured electrons are degenerate: a non-degenerate B up to 1.3 times the range agrees
    ax.axhline(1.3 * haut, color="0.5", ls=":", lw=1, label="1,3 × mesuré (électrons mesurés dégénérés)")
    ax.plot([l["n_cm2"] for l in lignes], [1e4 * l["B2D_cm2_s"] for l in lignes], "-", color="C0",
            label="modèle réaliste, n = p")
    ax.axvspan(b["bas"], b["haut"], color="C0", alpha=0.08)
    ax.set_xscale("log")
    ax.set_xlabel("densité surfacique n = p (cm⁻²)")
    ax.set_ylabel("B₂D = Jrad / (q n p) (10⁻⁴ cm²/s)")
    ax.set_ylim(0, 1.2 * max(max(1e4 * l["B2D_cm2_s"] for l in lignes), 1.3 * haut))
    ax.set_title(d["titre"], fontsize=9)
    ax.legend(fontsize=8)
    _enregistrer(fig, base)


def section_radiatif(d, lignes, b):
    t = ["| n = p (cm⁻²) | B₂D (cm²/s) | Jrad (A/cm²) |", "|---|---|---|"]
    for cible in d["comparaison"]["tableau_n_cm2"]:
        l = min(lignes, key=lambda l: abs(math.log(l["n_cm2"] / cible)))
        t.append(f"| {l['n_cm2']:.2g} | {l['B2D_cm2_s']:.3e} | {l['Jrad_A_cm2']:.4g} |")
    t += ["", f"B₂D from {b['bas']:.0e} to {b['haut']:.0e} cm⁻²: **{b['min']:.3e}–{b['max']:.3e} cm²/s**; "
              f"measured {b['mesure'][0]:.2e}–{b['mesure'][1]:.2e} cm²/s."]
    return "\n".join(t)


# -- width sweep -------------------------------------------------------------

def base_realiste(dossier, sans_continuum=False):
    """The bundled example with the [modele] section the composer writes for
    its well (In0.2Ga0.8As in GaAs), in dossier; without the continuum's two
    keys when asked."""
    composer(["--puits", "In0.2Ga0.8As:75", "--barriere", "GaAs:250", "--modele", "realiste", "--sans-gain"],
             dossier / "compose" / "config.ini")
    modele = section((dossier / "compose" / "config.ini").read_text(), "modele")
    if sans_continuum:
        modele = {c: v for c, v in modele.items() if c not in ("continuum", "B_barriere")}
    texte = regler((EXEMPLE / "config.ini").read_text(), {("calcul", "nb_fils"): "1"})
    texte = regler(texte, {("modele", c): v for c, v in modele.items()})
    (dossier / "base").mkdir(parents=True, exist_ok=True)
    (dossier / "base" / "config.ini").write_text(texte)
    return dossier / "base", modele


def balayer_largeurs(gain, dossier, valeurs, arguments):
    fait = subprocess.run([sys.executable, str(BALAYAGE), "--base", str(dossier / "base"), "--cle", "puits.largeur",
                           "--valeurs", valeurs, "--dossier", str(dossier / "balayage"), "--gain", str(gain),
                           "--arguments", arguments, "--travaux", "1", "--sans-figure"],
                          capture_output=True, text=True, check=False)
    if fait.returncode != 0:
        raise Echec(f"balayage a échoué : {fait.stderr.strip() or fait.stdout.strip()}")
    return lire_balayage(dossier / "balayage" / "balayage.tsv")


def lire_balayage(chemin):
    """(width Å, Jth A/cm2) of each point of a balayage.tsv."""
    lignes = chemin.read_text(encoding="utf-8").splitlines()
    entete = lignes[0].split("\t")
    i_L = next(i for i, c in enumerate(entete) if c.startswith("puits.largeur"))
    i_J = next(i for i, c in enumerate(entete) if c.startswith("Jth"))
    points = []
    for l in lignes[1:]:
        c = l.split("\t")
        try:
            points.append((float(c[i_L]), float(c[i_J])))
        except (ValueError, IndexError):
            raise Echec(f"{chemin} : point sans Jth : « {l} »") from None
    return points


def marches(points):
    """The relative step of Jth from each width to the next."""
    return [J1 / J0 - 1 for (_, J0), (_, J1) in zip(points, points[1:])]


def largeurs(gain, sortie, valeurs="60:100:9", arguments="courant 40 1e17"):
    resultats = {}
    for nom, sans in (("realiste", False), ("sans_continuum", True)):
        dossier = sortie / "largeurs" / nom
        if dossier.exists():
            shutil.rmtree(dossier)
        base_realiste(dossier, sans)
        resultats[nom] = balayer_largeurs(gain, dossier, valeurs, arguments)
    return resultats


def tracer_largeurs(resultats, base):
    plt = _pyplot()
    fig, ax = plt.subplots(figsize=(6, 4.2))
    for nom, style, etiquette in (("realiste", "o-", "modèle réaliste (toutes les clés)"),
                                  ("sans_continuum", "s--", "sans le continuum des barrières")):
        L, J = zip(*resultats[nom])
        ax.plot(L, J, style, label=etiquette, mfc="none" if nom != "realiste" else None)
    for (L0, _), (L1, J1), m in zip(resultats["realiste"], resultats["realiste"][1:], marches(resultats["realiste"])):
        ax.annotate(f"{100 * m:+.1f} %", ((L0 + L1) / 2, J1), textcoords="offset points", xytext=(0, 8),
                    ha="center", fontsize=7, color="C0")
    ax.margins(y=0.12)
    ax.set_xlabel("largeur du puits (Å)")
    ax.set_ylabel("Jth (A/cm²)")
    ax.set_title("Exemple 980 nm (In0.2Ga0.8As/GaAs) : seuil contre largeur", fontsize=9)
    ax.legend(fontsize=8)
    _enregistrer(fig, base)


def section_largeurs(resultats):
    r, s = resultats["realiste"], resultats["sans_continuum"]
    mr, ms = marches(r), marches(s)
    t = ["| width (Å) | Jth, every key (A/cm²) | step | Jth without the continuum | step |", "|---|---|---|---|---|"]
    for i, ((L, J), (_, Js)) in enumerate(zip(r, s)):
        pas = (f"{100 * mr[i - 1]:+.1f} %", f"{100 * ms[i - 1]:+.1f} %") if i else ("", "")
        t.append(f"| {L:g} | {J:.1f} | {pas[0]} | {Js:.1f} | {pas[1]} |")
    pire = max(range(len(mr)), key=lambda i: abs(mr[i]))
    pire_s = max(range(len(ms)), key=lambda i: abs(ms[i]))
    t += ["", f"Largest step with every key: **{100 * mr[pire]:+.1f} %** ({r[pire][0]:g} → {r[pire + 1][0]:g} Å); "
              f"without the continuum {100 * ms[pire_s]:+.1f} % ({s[pire_s][0]:g} → {s[pire_s + 1][0]:g} Å)."]
    return "\n".join(t)


# -- radiative floor at transparency ----------------------------------------

def transparence(N, Gmax, Jrad):
    """Density and radiative current of the first pass whose peak gain is
    positive (the first past transparency, to the step of the series); None
    when none is. Below transparency the peak of the window is the least
    absorption, in the line's far tail: no line to interpolate along."""
    for i in range(len(N)):
        if Gmax[i] > 0:
            return N[i], Jrad[i]
    return None


def plancher(gain, sortie, appareils, nombre=200, pas=2e16):
    """Each device's composed file (validation/<id>/config.ini), run from pas
    by pas without stopping at threshold; its transparency and Jrad there."""
    lignes = []
    for a in appareils:
        dossier = sortie / "plancher" / a["id"]
        dossier.mkdir(parents=True, exist_ok=True)
        texte = (VALIDATION / a["id"] / "config.ini").read_text()
        (dossier / "config.ini").write_text(regler(texte, {("calcul", "Ninj"): f"{pas:g}",
                                                            ("calcul", "arret_seuil"): "0"}))
        p = executer_gain(gain, dossier, ["courant", str(nombre), f"{pas:g}"])
        t = transparence(p["N"], p["Gmax"], p["Jrad"])
        if t is None:
            raise Echec(f"{a['id']} : pas de transparence jusqu'à {p['N'][-1]:.3g} cm-3")
        eta, mesure = a["cavite"]["eta_interne"], a["mesure"]["Jth_A_cm2"]
        lignes.append({"id": a["id"], "N_tr_cm3": t[0], "Jrad_tr_A_cm2": t[1], "rapport": t[1] / eta / mesure})
    return lignes


def section_plancher(lignes):
    t = ["| device | transparency density (cm⁻³) | Jrad there (A/cm²) | Jrad/ηi over measured |", "|---|---|---|---|"]
    for l in lignes:
        t.append(f"| {l['id']} | {l['N_tr_cm3']:.3g} | {l['Jrad_tr_A_cm2']:.1f} | {l['rapport']:.2f} |")
    return "\n".join(t)


# -- files -------------------------------------------------------------------

def ecrire_tsv(chemin, lignes):
    colonnes = list(lignes[0])
    with open(chemin, "w", encoding="utf-8") as f:
        f.write("\t".join(colonnes) + "\n")
        for l in lignes:
            f.write("\t".join(f"{l[c]:.6g}" if isinstance(l[c], float) else str(l[c]) for c in colonnes) + "\n")


def remplacer_section(texte, repere, contenu):
    """texte with what lies between <!-- repere_DEBUT --> and <!-- repere_FIN
    --> replaced; None when the markers are missing."""
    debut, fin = f"<!-- {repere}_DEBUT -->", f"<!-- {repere}_FIN -->"
    if debut not in texte or fin not in texte:
        return None
    avant, reste = texte.split(debut, 1)
    return avant + debut + "\n" + contenu + "\n" + fin + reste.split(fin, 1)[1]


def ecrire_readme(repere, contenu):
    readme = VALIDATION / "README.md"
    texte = remplacer_section(readme.read_text(encoding="utf-8"), repere, contenu)
    if texte is None:
        print(f"valider : {readme} n'a pas les repères de {repere} : README non mis à jour", file=sys.stderr)
    else:
        readme.write_text(texte, encoding="utf-8")


def _pyplot():
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    return plt


def _enregistrer(fig, base):
    fig.tight_layout()
    fig.savefig(base.with_suffix(".png"), dpi=150)
    fig.savefig(base.with_suffix(".pdf"))
    import matplotlib.pyplot as plt
    plt.close(fig)


def executer(quoi, gain, sortie, appareils, ecrire):
    """Runs the checks named in quoi; prints one line each. Raises Echec,
    ErreurLecture or OSError."""
    cible = VALIDATION if ecrire else sortie
    cible.mkdir(parents=True, exist_ok=True)
    if "radiatif" in quoi:
        d, lignes = radiatif(gain, sortie)
        b = bilan_radiatif(d, lignes)
        ecrire_tsv(cible / "radiatif.tsv", lignes)
        tracer_radiatif(d, lignes, b, cible / "radiatif")
        print(f"radiatif : B2D {b['min']:.3g} à {b['max']:.3g} cm²/s de {b['bas']:g} à {b['haut']:g} cm-2 "
              f"(mesuré {b['mesure'][0]:g} à {b['mesure'][1]:g}) ; écrit : {cible / 'radiatif.tsv'}")
        if ecrire:
            ecrire_readme("RADIATIF", section_radiatif(d, lignes, b))
    if "largeurs" in quoi:
        r = largeurs(gain, sortie)
        ecrire_tsv(cible / "largeurs.tsv", [{"largeur_A": L, "Jth_A_cm2": J, "Jth_sans_continuum_A_cm2": Js}
                                            for (L, J), (_, Js) in zip(r["realiste"], r["sans_continuum"])])
        tracer_largeurs(r, cible / "largeurs")
        m = marches(r["realiste"])
        print(f"largeurs : plus grande marche de Jth {100 * max(m, key=abs):+.1f} % ; écrit : {cible / 'largeurs.tsv'}")
        if ecrire:
            ecrire_readme("LARGEURS", section_largeurs(r))
    if "plancher" in quoi:
        lignes = plancher(gain, sortie, appareils)
        ecrire_tsv(cible / "plancher.tsv", lignes)
        for l in lignes:
            print(f"plancher {l['id']} : transparence {l['N_tr_cm3']:.3g} cm-3, Jrad {l['Jrad_tr_A_cm2']:.1f} A/cm² "
                  f"(×{l['rapport']:.2f} du mesuré après ηi)")
        if ecrire:
            ecrire_readme("PLANCHER", section_plancher(lignes))


__all__ = ["executer", "Echec", "ErreurLecture"]
