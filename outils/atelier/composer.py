"""composer: a complete config.ini of gain from the names of the well and
barrier layers.

    outils/composer --puits In0.2Ga0.8As:75 --barriere GaAs:250 \\
                    [--base config.ini] [--regler section.cle=valeur ...] -o runs/essai/config.ini

The material keys of [puits] and [barriere] come from the materials library
(outils/materiaux.toml); every other value comes from the base file, or from
the chip-only Fabry-Perot example examples/puce_fabry_perot/config.ini
when there is none. The file is the base's bytes with values replaced key by key. The
model of gain has three end members: the well is X_x Z_(1-x) and the barrier
Y_y X_(1-y), both sharing the binary X; the composer finds X, Z and Y, maps
the bowings onto the two bowing keys, has gain check the whole file
(gain --verifier) before anything is written, and prints the strain and the
gaps gain computes from it.
"""
import argparse
import sys

from . import alliages, guide_onde
from . import verification as vg
from .composer_bibliotheque import (BIBLIOTHEQUE, Refus, charger_bibliotheque, cles_binaire, cles_modele_realiste,
                                    nombre)
from .composer_conception import Conception
from .composer_couches import analyser_couche, analyser_guide, trouver_X
from .composer_fichier import (chemins_de_sortie, ecrire_fichiers, octets, preparer, reseau, temperature_de_base,
                              verifier)

# h*c/q in eV*nm: the wavelength of a photon energy.
HC_SUR_Q = guide_onde.HC_SUR_Q


def composer(args):
    bib = charger_bibliotheque(args.bibliotheque)
    gain = vg.trouver_gain(args.gain)
    accord = (args.accord, temperature_de_base(args, gain)) if args.accord else None
    puits = analyser_couche(args.puits, bib, "puits", accord)
    barriere = analyser_couche(args.barriere, bib, "barrière", accord)
    membres = trouver_X(puits, barriere)
    guide = analyser_guide(args.guide, bib, accord) if args.guide else None
    entre = analyser_couche(args.entre_puits, bib, "entre les puits", accord) if args.entre_puits else barriere
    sortie, fichier_arguments, figure = chemins_de_sortie(args)

    origine = f"la base {args.base}" if args.base else "les valeurs par défaut"
    composition = preparer(args, bib, (puits, barriere), membres, gain, origine)
    fichier = composition.fichier
    # The realistic model's section goes in before the trial runs: their
    # threshold, hence the series, is then the model's the file will run.
    for cle, valeur in cles_modele_realiste(bib, membres) if args.modele == "realiste" else []:
        fichier.regler(f"modele.{cle}", valeur)
    c = Conception(args, bib, composition, (puits, barriere, guide, entre), gain)
    c.concevoir()
    # The file as it will run, with its series: gain accepts it or nothing is written.
    verifier(gain, fichier.texte, origine, c.serie or ())

    # The figure is drawn before any file is replaced: all of them, or none.
    sortie.parent.mkdir(parents=True, exist_ok=True)
    ecritures = [(sortie, octets(fichier.texte))]
    if c.serie:
        ecritures.append((fichier_arguments, octets((" ".join(c.serie) + "\n").encode())))
    if c.modes:
        ecritures.append((figure, lambda chemin: guide_onde.tracer(
            chemin, c.couches_guide, c.noms_guide, c.longueur_onde_guide, c.modes,
            len(c.couches_guide) - len(guide) if c.nombre_puits > 1 else 0)))
    ecrire_fichiers(ecritures)
    rapport(args, bib, (puits, barriere), membres, composition, sortie)
    for ligne in c.lignes:
        print(ligne)
    if c.serie:
        print(f"Écrit : {fichier_arguments} ({' '.join(c.serie)})")
    if c.modes:
        print(f"Écrit : {figure} (profil d'indice et modes)")


def rapport(args, bib, couches, membres, composition, sortie):
    v, T, K_bib = composition.v, composition.T, composition.K_bib
    (puits, barriere), (X, Z, x, Y, y), m, a = couches, membres, v.materiau, reseau(v)
    note_Z = ((" (puits quaternaire : x = 1)" if isinstance(X, alliages.Alliage) else " (puits binaire : x = 1)")
              if Z == X else "")
    note_Y = " (barrière binaire X : y = 0)" if Y == X else ""
    print(f"Puits    : {puits[0]}, {nombre(puits[2])} Å = X_x Z_(1-x) avec X = {X}, Z = {Z}, x = {nombre(x)}"
          f"{note_Z}")
    print(f"Barrière : {barriere[0]}, {nombre(barriere[2])} Å = Y_y X_(1-y) avec Y = {Y}, y = {nombre(y)}{note_Y}")
    for ligne in lignes_alliages(args, bib, couches, membres, T):
        print(ligne)
    eps = m["epsilon"]
    genre = "compression" if eps < 0 else "tension" if eps > 0 else "sans contrainte"
    if 0 < abs(eps) < 1e-3:
        genre += ", quasi accord de maille : |epsilon| < 1e-3"
    bords = v.bords_puits()
    HH, LH = bords["HH"], bords["LH"]
    haut = "trous lourds" if HH < LH else "trous légers"
    print(f"Contrainte du puits sur la barrière : epsilon = {eps:.5f} ({genre}) ; a_puits = {a['a_puits']:.5f} Å, "
          f"a_barriere = {a['a_barriere']:.5f} Å")
    print(f"  bords du puits (meV) : conduction {bords['E']:+.1f} ; HH {HH:+.1f}, "
          f"LH {LH:+.1f} (trous, positifs vers le bas) : {haut} en haut de la bande de valence")
    if args.substrat:
        a_sub = cles_binaire(bib, args.substrat, T)["a"]
        print(f"  désaccord au substrat {args.substrat} (a = {a_sub:.5f} Å) : puits "
              f"{(a_sub - a['a_puits']) / a_sub:+.5f}, barrière {(a_sub - a['a_barriere']) / a_sub:+.5f}")
    Eg_puits, Eg_barriere = m["Eg_puits_eV"], m["Eg_barriere_eV"]
    Eg_contraint = Eg_puits + (bords["E"] + min(HH, LH)) / 1000
    print(f"Bandes interdites à {T:g} K, telles que gain les calcule :")
    print(f"  Eg_Puits: {Eg_puits:f} eV ({HC_SUR_Q / Eg_puits:.1f} nm) ; sous contrainte "
          f"{Eg_contraint:f} eV ({HC_SUR_Q / Eg_contraint:.1f} nm)")
    print(f"  Eg_Barriere: {Eg_barriere:f} eV ({HC_SUR_Q / Eg_barriere:.1f} nm)")
    lineaires = sorted(set(alliages.vbo(bib, puits[1])[1] + alliages.vbo(bib, barriere[1])[1]))
    selon = (f", la bibliothèque donne {K_bib:g}" if K_bib is not None else
             ", puits et barrière de même bande interdite")
    if K_bib is not None and lineaires:
        selon += f", bande de valence linéaire sur {', '.join(lineaires)} (sans bowing dans la bibliothèque)"
    print(f"Décalages : Vc: {m['Vc_meV']:f} meV, Vv: {m['Vv_meV']:f} meV "
          f"(K_delta_Ec = {v.valeur('systeme', 'K_delta_Ec'):g}{selon})")
    print(f"Écrit : {sortie}")


def lignes_alliages(args, bib, couches, membres, T):
    """What the report says of the layers written as one end member, of the
    lattice match of --accord and of the stack."""
    (puits, barriere), (X, _, _, Y, _) = couches, membres
    lignes = []
    for role, membre in (("puits", X), ("barrière", Y)):
        if isinstance(membre, alliages.Alliage):
            lignes.append(f"  {role} {membre} : un seul membre de gain ({'X à x = 1' if membre is X else 'Y à y = 1'}), "
                          f"chaque clé de la bibliothèque, interpolée de {', '.join(sorted(membre.membres))} et des "
                          f"bowings des côtés ; bande interdite en loi de Varshni équivalente à {T:g} K")
    # Only a layer named by its gap was made lattice-matched; one named by its
    # composition (a strained well) is as written, its mismatch that of --substrat.
    for role, (formule, membres_couche, _), texte in (("puits", puits, args.puits),
                                                      ("barrière", barriere, args.barriere)):
        if args.accord and texte.partition(":")[0] in bib.get("quaternaires", {}):
            lignes.append(f"  {role} en accord de maille sur {args.accord} : {formule}, "
                          f"a = {alliages.reseau(bib, membres_couche, T):.5f} Å, "
                          f"Eg = {alliages.gap(bib, membres_couche, 'Gamma', T):.4f} eV à {T:g} K")
    if args.nombre_puits > 1:
        entre = args.entre_puits or f"{barriere[0]}:{nombre(barriere[2])}"
        lignes.append(f"Empilement : {args.nombre_puits} puits {puits[0]} de {nombre(puits[2])} Å séparés par "
                      f"{entre.replace(':', ' de ')} Å, entre deux barrières {barriere[0]} de {nombre(barriere[2])} Å "
                      f"(systeme.nombre_puits = {args.nombre_puits} : densités par puits, courants de l'empilement)")
    return lignes


def analyseur_composer():
    analyseur = argparse.ArgumentParser(
        prog="composer", description="Écrit un config.ini complet de gain à partir des couches du laser.")
    analyseur.add_argument("--puits", required=True, metavar="FORMULE:LARGEUR",
                           help="puits, par exemple In0.2Ga0.8As:75 (largeur en Å)")
    analyseur.add_argument("--barriere", required=True, metavar="FORMULE:LARGEUR",
                           help="barrière, par exemple GaAs:250 (largeur de chaque barrière en Å)")
    analyseur.add_argument("--base", metavar="FICHIER",
                           help="config.ini dont viennent les valeurs autres que celles de [puits] et [barriere] "
                                "(par défaut examples/puce_fabry_perot/config.ini, une puce Fabry-Perot sans réseau ; "
                                "le module de pompe à réseau de fibre : examples/in020ga080as_980nm/config.ini)")
    analyseur.add_argument("-o", "--sortie", required=True, metavar="FICHIER", help="config.ini à écrire")
    analyseur.add_argument("--force", action="store_true", help="remplacer le fichier de sortie s'il existe")
    analyseur.add_argument("--regler", action="append", default=[], metavar="SECTION.CLE=VALEUR",
                           help="remplacer ou ajouter une clé hors [puits] et [barriere] (répétable)")
    analyseur.add_argument("--K_delta_Ec-source", dest="K_delta_Ec_source", action="store_true",
                           help="K_delta_Ec tiré des décalages de bande de valence de la bibliothèque")
    analyseur.add_argument("--substrat", metavar="BINAIRE", help="afficher le désaccord de maille à ce substrat")
    analyseur.add_argument("--accord", metavar="BINAIRE",
                           help="une couche QUATERNAIRE:CIBLE:LARGEUR (InGaAsP:1.3um:250, AlGaInAs:0.9eV:80) prend "
                                "la composition accordée en maille sur ce substrat dont la bande interdite est la cible")
    analyseur.add_argument("--modele", choices=["exact", "realiste"], default="exact",
                           help="realiste : ajouter la section [modele] de la bibliothèque (raie sech, émission de "
                                "toute la bande, k alignés, A et C du puits, rétrécissement de la bande interdite)")
    analyseur.add_argument("--nombre-puits", dest="nombre_puits", type=int, default=1, metavar="N",
                           help="N puits identiques non couplés (systeme.nombre_puits) séparés par --entre-puits ; "
                                "le guide donne Γ de chacun et leur somme")
    analyseur.add_argument("--entre-puits", dest="entre_puits", metavar="ALLIAGE:LARGEUR",
                           help="barrière entre deux puits de l'empilement (par défaut celle de --barriere)")
    analyseur.add_argument("--guide", metavar="ALLIAGE:LARGEUR[,...]",
                           help="couches du guide au-delà de la barrière, vers l'extérieur, la dernière (gaine) "
                                "semi-infinie ; calcule Γ_TE et Γ_TM (largeurs en Å)")
    analyseur.add_argument("--serie", nargs=2, metavar=("N", "PAS"),
                           help="série de densités du fichier arguments (courant N PAS, PAS en cm-3) au lieu de "
                                "celle que le composeur choisit")
    analyseur.add_argument("--gain", metavar="CHEMIN",
                           help="programme gain qui vérifie le fichier et lance les essais (par défaut $GAIN_EXE, "
                                "puis build/release/bin/gain)")
    analyseur.add_argument("--sans-gain", dest="sans_gain", action="store_true",
                           help="pas de calcul d'essai (gain vérifie toujours le fichier) : fenêtre et série de la "
                                "base, pas de fichier arguments")
    analyseur.add_argument("--bibliotheque", default=BIBLIOTHEQUE, metavar="FICHIER",
                           help="bibliothèque de matériaux (par défaut outils/materiaux.toml)")
    return analyseur


def main(argv=None):
    args = analyseur_composer().parse_args(argv)
    try:
        for option, substrat in (("", args.substrat), ("--accord : ", args.accord)):
            if substrat is not None and substrat not in charger_bibliotheque(args.bibliotheque)["binaires"]:
                raise Refus(f"{option}substrat inconnu {substrat} ; la bibliothèque connaît "
                            f"{', '.join(sorted(charger_bibliotheque(args.bibliotheque)['binaires']))}")
        composer(args)
    except (Refus, vg.ErreurLecture) as e:
        print(f"composer : {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
