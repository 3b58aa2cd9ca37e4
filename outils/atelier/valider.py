"""valider: the published lasers of validation/ composed and run with gain,
computed threshold against measured.

    outils/valider [--gain build/release/bin/gain] [--dossier runs/validation]
                   [--appareils P01,P05] [--sans-exact] [--ecrire]

Each folder validation/<id>/ holds appareil.toml: the layers, the paper's
cavity, losses, confinement factor, temperature and internal efficiency, the
measured threshold current density and wavelength, the source, and every
assumption and stand-in. For each device the composer writes config.ini
(with `--modele realiste`, and without it for the exact model beside), gain
runs a density series up to threshold in <dossier>/<id>/realiste (and
.../exact), and the table compares Jth/eta_interne, the current density at
the terminals, with the measured Jth.

Writes <dossier>/resultats.tsv and <dossier>/resultats.png (.pdf); with
--ecrire, validation/resultats.tsv, the figure, each device's composed
config.ini and the results section of validation/README.md instead.

--radiatif, --largeurs, --plancher run the realistic model's own checks
instead of the panel (atelier/valider_realiste.py): the radiative
coefficient of the 100 Å GaAs well, the width sweep of the 980 nm example,
the radiative current at transparency of each device's committed file.
"""
import argparse
import math
import os
import pathlib
import statistics
import subprocess
import sys
import tomllib

from . import resultats, valider_realiste
from . import verification as vg
from .verification import RACINE, ErreurLecture

VALIDATION = RACINE / "validation"
COMPOSER = RACINE / "outils" / "composer"
DEBUT, FIN = "<!-- RESULTATS_DEBUT -->", "<!-- RESULTATS_FIN -->"

COLONNES = ("id", "systeme", "L_um", "Jth_mesure_A_cm2", "lambda_mesure_nm", "Jth_calcule_A_cm2",
            "Jth_sur_eta_A_cm2", "rapport", "lambda_calcule_nm", "ecart_lambda_nm", "mode", "Nth_cm3",
            "part_radiative", "part_defauts", "part_auger", "Jth_sur_eta_exact_A_cm2", "rapport_exact")


class Echec(Exception):
    """A device that cannot be composed or run: message, exit status 1."""


# The numbers of appareil.toml and their domains: (section, key, low, high,
# low bound included); the composer and gain check the cavity again.
NOMBRES = (("cavite", "longueur_um", 0, math.inf, False), ("cavite", "R1", 0, 1, False),
           ("cavite", "R2", 0, 1, False), ("cavite", "pertes_internes_cm", 0, math.inf, True),
           ("cavite", "eta_interne", 0, 1, False), ("cavite", "facteur_confinement", 0, 1, False),
           ("cavite", "temperature_K", 0, math.inf, False), ("cavite", "largeur_contact_cm", 0, math.inf, False),
           ("calcul", "Ninj_cm3", 0, math.inf, False), ("calcul", "pas_cm3", 0, math.inf, False),
           ("calcul", "nombre", 1, 100000, True), ("calcul", "debut_E_meV", 0, math.inf, False),
           ("calcul", "fin_E_meV", 0, math.inf, False), ("mesure", "Jth_A_cm2", 0, math.inf, False))


def _verifier_appareil(chemin, a):
    """Every value the comparison needs, of its type and in its domain (a
    measured Jth of 0 would divide the ratio by zero)."""
    for cle in ("id", "systeme", "puits", "barriere"):
        if not isinstance(a.get(cle), str):
            raise Echec(f"{chemin} : clé {cle} absente ou pas une chaîne")
    for section, cle, bas, haut, inclus in NOMBRES:
        v = a.get(section, {}).get(cle) if isinstance(a.get(section), dict) else None
        if isinstance(v, bool) or not isinstance(v, (int, float)):
            raise Echec(f"{chemin} : [{section}] {cle} absente ou pas un nombre")
        if not ((v >= bas if inclus else v > bas) and v <= haut):
            borne = f"{'[' if inclus else ']'}{bas:g}, {haut:g}]"
            raise Echec(f"{chemin} : [{section}] {cle} = {v:g} hors de {borne}")
    if not isinstance(a["calcul"]["nombre"], int):
        raise Echec(f"{chemin} : [calcul] nombre = {a['calcul']['nombre']} n'est pas un entier")
    lam = a.get("mesure", {}).get("lambda_nm", math.nan)
    if isinstance(lam, bool) or not isinstance(lam, (int, float)) or lam <= 0:
        raise Echec(f"{chemin} : [mesure] lambda_nm = {lam} : une longueur d'onde positive, ou nan si la source "
                    f"ne la donne pas")


def charger(dossier):
    """The device of `dossier`/appareil.toml, checked; Echec names the file
    and the fault."""
    chemin = dossier / "appareil.toml"
    try:
        with open(chemin, "rb") as f:
            a = tomllib.load(f)
    except OSError as e:
        raise Echec(f"{chemin} : illisible ({e.strerror})") from None
    except UnicodeDecodeError as e:
        raise Echec(f"{chemin} : pas du texte UTF-8 (octet {e.object[e.start]:#04x} en position {e.start})") from None
    except tomllib.TOMLDecodeError as e:
        raise Echec(f"{chemin} : TOML mal formé ({e})") from None
    if a.get("id") != dossier.name:
        raise Echec(f"{chemin} : id « {a.get('id')} » au lieu de {dossier.name}")
    _verifier_appareil(chemin, a)
    return a


def mots_composer(a, modele):
    """The composer's words for device a: its layers, its cavity, the grids
    of its series, no grating (an uncoated cleaved chip)."""
    c, k = a["cavite"], a["calcul"]
    reglages = {
        "systeme.longueur_puce": c["longueur_um"] * 1e-4,  # um -> cm
        "systeme.Rmax": c["R1"], "systeme.Rmin": c["R2"],
        "systeme.pertes_internes": c["pertes_internes_cm"], "systeme.eta_interne": c["eta_interne"],
        "systeme.facteur_confinement": c["facteur_confinement"],
        "systeme.largeur_contact": c["largeur_contact_cm"],
        "constantes.temperature": c["temperature_K"],
        "calcul.Ninj": k["Ninj_cm3"], "calcul.debut_E": k["debut_E_meV"], "calcul.fin_E": k["fin_E_meV"],
        "calcul.arret_seuil": 1, "calcul.nb_fils": 1,
        "bragg.couplage_puce_fibre": 0, "bragg.Rbragg": 0,
    }
    # --sans-gain: the window and the series are the device's own, not the
    # composer's trial runs, so that both models run the same grids.
    mots = ["--puits", a["puits"], "--barriere", a["barriere"], "--modele", modele, "--sans-gain"]
    if a.get("K_delta_Ec") == "source":
        mots.append("--K_delta_Ec-source")
    else:
        reglages["systeme.K_delta_Ec"] = a["K_delta_Ec"]
    for cle, v in reglages.items():
        mots += ["--regler", f"{cle}={v:.12g}" if isinstance(v, float) else f"{cle}={v}"]
    return mots


def executer(gain, a, modele, dossier):
    """Composes and runs device a with the model `modele`; returns what the
    closing summary gives."""
    dossier.mkdir(parents=True, exist_ok=True)
    config = dossier / "config.ini"
    fait = subprocess.run([str(COMPOSER), *mots_composer(a, modele), "--gain", str(gain), "--force", "-o", str(config)],
                          capture_output=True, text=True, check=False)
    if fait.returncode != 0:
        raise Echec(f"{a['id']} ({modele}) : composer a échoué : {fait.stderr.strip()}")
    k = a["calcul"]
    arguments = ["courant", str(k["nombre"]), f"{k['pas_cm3']:g}"]
    config.write_bytes(resultats.avec_resultats(config.read_bytes())[0])
    run = subprocess.run([str(gain), *arguments], cwd=dossier, capture_output=True, check=False, timeout=3600)
    console = run.stdout.decode("utf-8", errors="replace")
    (dossier / "console.txt").write_text(console, encoding="utf-8")
    (dossier / "arguments").write_text(" ".join(arguments) + "\n")
    if run.returncode != 0:
        raise Echec(f"{a['id']} ({modele}) : gain a échoué ({run.returncode}) :\n{console[-1500:]}")
    s = resultats.lire_resultats(dossier / vg.verifier_dossier(dossier, gain).valeur("sortie", resultats.CLE))["seuil"]
    if not s["atteint"]:
        raise Echec(f"{a['id']} ({modele}) : seuil non atteint dans la série ; allongez-la ([calcul] nombre)")
    parts = s.get("parts_pourcent") or {}
    r = {"Jth": s["Jth_A_cm2"], "Nth": s["Nth_cm3"], "lambda": s["lambda_nm"], "mode": s["polarisation"],
         "config": config,
         "parts": tuple(parts[c] / 100 if c in parts else math.nan for c in ("radiatif", "defauts", "auger"))}
    r["Jth_sur_eta"] = r["Jth"] / a["cavite"]["eta_interne"]
    return r


def ligne(a, realiste, exact):
    mesure = a["mesure"]
    lam = mesure.get("lambda_nm", math.nan)
    rapport = realiste["Jth_sur_eta"] / mesure["Jth_A_cm2"]
    return {
        "id": a["id"], "systeme": a["systeme"], "L_um": a["cavite"]["longueur_um"],
        "Jth_mesure_A_cm2": mesure["Jth_A_cm2"], "lambda_mesure_nm": lam,
        "Jth_calcule_A_cm2": realiste["Jth"], "Jth_sur_eta_A_cm2": realiste["Jth_sur_eta"], "rapport": rapport,
        "lambda_calcule_nm": realiste["lambda"], "ecart_lambda_nm": realiste["lambda"] - lam,
        "mode": realiste["mode"], "Nth_cm3": realiste["Nth"],
        "part_radiative": realiste["parts"][0], "part_defauts": realiste["parts"][1],
        "part_auger": realiste["parts"][2],
        "Jth_sur_eta_exact_A_cm2": exact["Jth_sur_eta"] if exact else math.nan,
        "rapport_exact": exact["Jth_sur_eta"] / mesure["Jth_A_cm2"] if exact else math.nan,
    }


def texte_valeur(v):
    if isinstance(v, float):
        return "nan" if math.isnan(v) else f"{v:.6g}"
    return str(v)


def ecrire_tsv(lignes, chemin):
    with open(chemin, "w", encoding="utf-8") as f:
        f.write("\t".join(COLONNES) + "\n")
        for l in lignes:
            f.write("\t".join(texte_valeur(l[c]) for c in COLONNES) + "\n")


def bilan(lignes):
    """Median and worst |ln(computed/measured)|, as ratios, and the worst
    wavelength gap where the wavelength was measured."""
    ecarts = [abs(math.log(l["rapport"])) for l in lignes]
    pire = max(lignes, key=lambda l: abs(math.log(l["rapport"])))
    lam = [abs(l["ecart_lambda_nm"]) for l in lignes if not math.isnan(l["ecart_lambda_nm"])]
    return {"mediane": math.exp(statistics.median(ecarts)), "pire": pire["rapport"], "pire_id": pire["id"],
            "pire_lambda_nm": max(lam) if lam else math.nan}


def tracer(lignes, base):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    mesures = [l["Jth_mesure_A_cm2"] for l in lignes]
    bas, haut = min(mesures) / 3, max(mesures) * 3
    for l in lignes:
        if not math.isnan(l["Jth_sur_eta_exact_A_cm2"]):
            haut = max(haut, l["Jth_sur_eta_exact_A_cm2"] * 1.5)
    fig, ax = plt.subplots(figsize=(5.5, 5))
    x = [bas, haut]
    ax.fill_between(x, [v / 1.3 for v in x], [v * 1.3 for v in x], color="0.85", label="±30 %")
    ax.plot(x, x, "k-", lw=1, label="1:1")
    ax.plot(mesures, [l["Jth_sur_eta_A_cm2"] for l in lignes], "o", color="C0", label="modèle réaliste")
    exacts = [(l["Jth_mesure_A_cm2"], l["Jth_sur_eta_exact_A_cm2"]) for l in lignes
              if not math.isnan(l["Jth_sur_eta_exact_A_cm2"])]
    if exacts:
        ax.plot(*zip(*exacts), "s", mfc="none", color="C3", label="modèle exact")
    for l in lignes:
        ax.annotate(l["id"], (l["Jth_mesure_A_cm2"], l["Jth_sur_eta_A_cm2"]), textcoords="offset points",
                    xytext=(5, -10), fontsize=8)
    ax.set_xscale("log")
    ax.set_yscale("log")
    ax.set_xlim(bas, haut)
    ax.set_ylim(bas, haut)
    ax.set_xlabel("Jth mesuré (A/cm²)")
    ax.set_ylabel("Jth calculé / η_i (A/cm²)")
    ax.set_title("Lasers publiés : seuil calculé contre mesuré")
    ax.legend(loc="upper left", fontsize=8)
    fig.tight_layout()
    fig.savefig(base.with_suffix(".png"), dpi=150)
    fig.savefig(base.with_suffix(".pdf"))
    plt.close(fig)


def section_readme(lignes, b):
    def f(v, fmt):
        return "—" if isinstance(v, float) and math.isnan(v) else format(v, fmt)
    t = ["| device | L (µm) | measured Jth (A/cm²) | computed Jth | Jth/ηi | ratio | exact model Jth/ηi (ratio) | "
         "λ measured / computed (nm) | lasing mode | radiative / defect / Auger share |",
         "|---|---|---|---|---|---|---|---|---|---|"]
    for l in lignes:
        t.append(f"| {l['id']} | {l['L_um']:g} | {l['Jth_mesure_A_cm2']:g} | {l['Jth_calcule_A_cm2']:.1f} | "
                 f"{l['Jth_sur_eta_A_cm2']:.1f} | {l['rapport']:.2f} | "
                 f"{f(l['Jth_sur_eta_exact_A_cm2'], '.0f')} ({f(l['rapport_exact'], '.2f')}) | "
                 f"{f(l['lambda_mesure_nm'], '.0f')} / {l['lambda_calcule_nm']:.1f} | {l['mode']} | "
                 f"{100 * l['part_radiative']:.0f} / {100 * l['part_defauts']:.0f} / {100 * l['part_auger']:.0f} % |")
    t.append("")
    t.append(f"Median ratio (exp of the median |ln(Jth/ηi / measured)|): **{b['mediane']:.2f}**; worst: "
             f"**{b['pire']:.2f}** ({b['pire_id']}); worst wavelength gap where measured: "
             f"{f(b['pire_lambda_nm'], '.1f')} nm.")
    return "\n".join(t)


def appareils_choisis(voulus, validation=VALIDATION):
    """The device folders of `validation`, those of --appareils when given;
    None, after a message, when one asked for is unknown."""
    if not validation.is_dir():
        print(f"valider : {validation} : pas un dossier d'appareils (absent, ou un fichier)", file=sys.stderr)
        return None
    dossiers = sorted(d for d in validation.iterdir() if (d / "appareil.toml").exists())
    if voulus:
        voulus = voulus.split(",")
        inconnus = set(voulus) - {d.name for d in dossiers}
        if inconnus:
            print(f"valider : appareils inconnus : {', '.join(sorted(inconnus))}", file=sys.stderr)
            return None
        dossiers = [d for d in dossiers if d.name in voulus]
    return dossiers


def valider_appareils(args, gain, dossiers):
    """Each device composed and run with both models; its line of the table."""
    sortie = pathlib.Path(args.dossier)
    lignes = []
    # Every file is read and checked before the first run.
    appareils = [(d, charger(d)) for d in dossiers]
    for d, a in appareils:
        realiste = executer(gain, a, "realiste", sortie / a["id"] / "realiste")
        exact = None if args.sans_exact else executer(gain, a, "exact", sortie / a["id"] / "exact")
        lignes.append(ligne(a, realiste, exact))
        l = lignes[-1]
        print(f"{a['id']} : mesuré {l['Jth_mesure_A_cm2']:g}, calculé/ηi {l['Jth_sur_eta_A_cm2']:.1f} A/cm² "
              f"(rapport {l['rapport']:.2f}), λ {l['lambda_calcule_nm']:.1f} nm", flush=True)
        if args.ecrire:
            (d / "config.ini").write_bytes(realiste["config"].read_bytes())
    return lignes


def ecrire_readme(lignes, b, validation=VALIDATION):
    """The results section of validation/README.md, between its markers."""
    readme = validation / "README.md"
    try:
        texte = readme.read_text(encoding="utf-8")
    except (OSError, UnicodeDecodeError) as e:
        print(f"valider : {readme} illisible ({getattr(e, 'strerror', None) or e}) : README non mis à jour",
              file=sys.stderr)
        return
    if DEBUT in texte and FIN in texte:
        avant, reste = texte.split(DEBUT, 1)
        texte = avant + DEBUT + "\n" + section_readme(lignes, b) + "\n" + FIN + reste.split(FIN, 1)[1]
        readme.write_text(texte, encoding="utf-8")
    else:
        print(f"valider : {readme} n'a pas les repères {DEBUT} {FIN} : README non mis à jour", file=sys.stderr)


def analyseur():
    a = argparse.ArgumentParser(prog="valider", description=__doc__.split("\n\n")[0])
    a.add_argument("--gain", default=os.environ.get("GAIN_EXE", str(RACINE / "build/release/bin/gain")))
    a.add_argument("--dossier", default=str(RACINE / "runs" / "validation"))
    a.add_argument("--appareils", help="ids séparés par des virgules (par défaut : tous)")
    a.add_argument("--validation", type=pathlib.Path, default=VALIDATION,
                   help="dossier des appareils, un sous-dossier <id>/appareil.toml chacun (par défaut validation/)")
    a.add_argument("--sans-exact", action="store_true", help="ne pas lancer le modèle exact à côté")
    a.add_argument("--ecrire", action="store_true",
                   help="écrire validation/resultats.tsv, la figure, les config.ini et le README")
    for option, aide in (("radiatif", "le coefficient radiatif B2D du puits GaAs de 100 Å contre la mesure"),
                         ("largeurs", "le seuil de l'exemple 980 nm de 60 à 100 Å, modèle réaliste"),
                         ("plancher", "le courant radiatif à la transparence de chaque appareil")):
        a.add_argument(f"--{option}", action="store_true", help=f"au lieu du panneau : {aide}")
    return a


def principal(argv=None):
    args = analyseur().parse_args(argv)
    gain = pathlib.Path(args.gain).resolve()
    if not gain.exists():
        print(f"valider : programme gain introuvable : {gain}", file=sys.stderr)
        return 1
    dossiers = appareils_choisis(args.appareils, args.validation)
    if dossiers is None:
        return 1
    controles = [c for c in ("radiatif", "largeurs", "plancher") if getattr(args, c)]
    if controles:
        try:
            valider_realiste.executer(controles, gain, pathlib.Path(args.dossier), [charger(d) for d in dossiers],
                                      args.ecrire)
        except (valider_realiste.Echec, Echec, ErreurLecture, OSError, tomllib.TOMLDecodeError, KeyError,
                ValueError) as e:
            print(f"valider : {e}", file=sys.stderr)
            return 1
        return 0
    try:
        lignes = valider_appareils(args, gain, dossiers)
        if not lignes:
            print(f"valider : aucun appareil dans {args.validation}", file=sys.stderr)
            return 1
        cible = args.validation if args.ecrire else pathlib.Path(args.dossier)
        cible.mkdir(parents=True, exist_ok=True)
        ecrire_tsv(lignes, cible / "resultats.tsv")
        tracer(lignes, cible / "resultats")
    except (Echec, ErreurLecture) as e:
        print(f"valider : {e}", file=sys.stderr)
        return 1
    except OSError as e:
        print(f"valider : {e.filename or ''} : {e.strerror}", file=sys.stderr)
        return 1
    b = bilan(lignes)
    print(f"rapport médian {b['mediane']:.2f}, pire {b['pire']:.2f} ({b['pire_id']}) ; "
          f"écrit : {cible / 'resultats.tsv'}, {cible / 'resultats.png'}")
    if args.ecrire:
        ecrire_readme(lignes, b, args.validation)
    return 0


if __name__ == "__main__":
    sys.exit(principal())
