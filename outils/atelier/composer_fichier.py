"""The config.ini being composed: the base's bytes changed value by value,
the --regler settings, gain's reading of the result, the layers' keys and
the file written."""
import dataclasses
import os
import pathlib
import tempfile

from . import verification as vg
from .composer_bibliotheque import Refus, cles_bowing, cles_membre, nombre, vbo_alliage

# The sections the composer does not derive come from this file without a
# base: a chip-only Fabry-Perot laser (uncoated facets, no grating).
EXEMPLE = pathlib.Path(__file__).resolve().parents[2] / "examples" / "puce_fabry_perot" / "config.ini"

# Sections whose keys the layers and the model option set, not --regler.
SECTIONS_COMPOSEES = {"puits": "la bibliothèque et des couches (--puits, --barriere)",
                      "barriere": "la bibliothèque et des couches (--puits, --barriere)",
                      "modele": "--modele et de la bibliothèque"}

# Keys of one end member in [puits], in gain's reading order, and the
# library conversion that gives each (see cles_binaire).
CLES_MEMBRE = ("mc", "gamma1", "gamma2", "gamma3", "Eg_0K", "alpha_Eg", "beta_Eg", "a", "aH", "bS", "C11", "C12",
               "Ep", "nr")
CLES_BARRIERE = ("mc", "gamma1", "gamma2", "gamma3", "Eg_0K", "alpha_Eg", "beta_Eg", "a")


class Fichier:
    """The config.ini being composed: the base's bytes, changed value by
    value (verification_gain.regler_cle), every other byte kept."""

    def __init__(self, texte):
        self.texte = texte

    def regler(self, cible, valeur):
        """Sets 'section.cle' to the text `valeur`."""
        section, _, cle = cible.partition(".")
        self.texte, _ = vg.regler_cle(self.texte, section, cle, valeur)

    def essai(self, *reglages):
        """The bytes with the settings 'section.cle=valeur' made; the file itself is unchanged."""
        copie = Fichier(self.texte)
        for reglage in reglages:
            cible, _, valeur = reglage.partition("=")
            copie.regler(cible, valeur)
        return copie.texte


def texte_de_base(chemin):
    """The bytes of the base, or of the reference example without one."""
    chemin = chemin or EXEMPLE
    try:
        return pathlib.Path(chemin).read_bytes()
    except OSError as e:
        raise Refus(f"fichier de base illisible : {chemin} ({e.strerror})")


def analyser_reglages(reglages):
    """--regler section.cle=valeur -> [(section.cle, valeur)]; refused when
    malformed or a key the layers or the model option set."""
    lus = []
    for reglage in reglages:
        cible, egal, texte = reglage.partition("=")
        section, point, cle = cible.partition(".")
        if not egal or not point or not cle:
            raise Refus(f"--regler « {reglage} » : attendu section.cle=valeur, par exemple calcul.Ninj=5e17")
        if section in SECTIONS_COMPOSEES:
            raise Refus(f"--regler « {reglage} » : les clés de [{section}] viennent de "
                        f"{SECTIONS_COMPOSEES[section]}")
        if cible == "systeme.nombre_puits":
            raise Refus(f"--regler « {reglage} » : le nombre de puits vient de --nombre-puits, qui construit "
                        f"l'empilement du guide")
        lus.append((cible, texte))
    return lus


def verifier_reglages(reglages, v):
    """Every key --regler sets is one gain reads."""
    for cible, texte in reglages:
        section, _, cle = cible.partition(".")
        if (section, cle) not in v.cles:
            connues = ", ".join(f"{s}.{c}" for s, c in v.cles if s not in SECTIONS_COMPOSEES)
            raise Refus(f"--regler « {cible}={texte} » : clé inconnue de gain ; clés réglables : {connues}")


def refus_de_gain(v, origine):
    return Refus(f"gain refuse le fichier composé sur {origine}, rien n'est écrit (statut {v.statut}) :\n"
                 f"{v.erreur}")


def verifier(gain, texte, origine, arguments=()):
    """gain's reading of the composed bytes (and of the command line
    `arguments`); refused with gain's message when a run would stop."""
    v = vg.verifier_texte(texte, gain, arguments, nom=f"le fichier composé sur {origine}")
    if v.refus():
        raise refus_de_gain(v, origine)
    return v


def ecrire_couches(fichier, bib, couches, membres, T):
    """[puits] and [barriere] from the library at temperature T, the well's
    index 1 until the composer sets it (Conception.optique)."""
    (_, _, largeur_puits), (_, _, largeur_barriere) = couches
    X, Z, x, Y, y = membres
    bowing_puits = cles_bowing(bib, X, Z, x)
    bowing_barriere = cles_bowing(bib, Y, X, y)
    membre_X, membre_Z, membre_Y = (dict(cles_membre(bib, m, T), nr=1.0) for m in (X, Z, Y))
    cles = ([("puits.ratio_x", x), ("puits.largeur", largeur_puits)] +
            [(f"puits.{c}_x", membre_X[c]) for c in CLES_MEMBRE] +
            [(f"puits.{c}_1-x", membre_Z[c]) for c in CLES_MEMBRE] +
            # bowing_Eg before bowing_Eg_x: a reader matching keys by
            # substring finds the right line first.
            [("puits.bowing_Eg", bowing_puits[0]), ("puits.bowing_Eg_x", bowing_puits[1]),
             ("barriere.ratio_y", y), ("barriere.largeur", largeur_barriere)] +
            [(f"barriere.{c}_y", membre_Y[c]) for c in CLES_BARRIERE] +
            [("barriere.bowing_Eg", bowing_barriere[0]), ("barriere.bowing_Eg_x", bowing_barriere[1])])
    for cible, v in cles:
        fichier.regler(cible, nombre(v))


def reseau(v):
    """Relaxed lattice constants of the well and barrier alloys and the
    well's elastic constants, as gain's material model forms them: the
    critical thickness and the mismatch to a substrate need them."""
    m = v.materiau
    return {"a_puits": m["a_puits"], "a_barriere": m["a_barriere"], "C11": m["C11_puits"], "C12": m["C12_puits"]}


def k_source(bib, membres, materiau):
    """K_delta_Ec from the library's unstrained valence-band offsets: the
    conduction share 1 - dEv/dEg of the gap difference gain forms."""
    X, Z, x, Y, y = membres
    v_puits = vbo_alliage(bib, X, Z, x)
    v_barriere = vbo_alliage(bib, Y, X, y)
    dEg = materiau["Eg_barriere_eV"] - materiau["Eg_puits_eV"]
    if dEg == 0:
        return None
    return round(1 - (v_puits - v_barriere) / dEg, 3)


def temperature_de_base(args, gain):
    """The temperature (K) gain reads in the base with --regler made: the
    lattice match of --accord is made at it."""
    fichier = Fichier(texte_de_base(args.base))
    for cible, texte in analyser_reglages(args.regler):
        fichier.regler(cible, texte)
    origine = f"la base {args.base}" if args.base else "les valeurs par défaut"
    return verifier(gain, fichier.texte, origine).valeur("constantes", "temperature")


@dataclasses.dataclass
class Composition:
    """The composed file and what gain reads from it."""
    fichier: Fichier      # the bytes being composed
    v: vg.Verification    # gain's reading of them
    T: float              # the temperature gain reads (K)
    K_bib: float          # K_delta_Ec of the library's valence offsets, None without a gap difference
    origine: str          # where the values the composer does not set come from, for messages


def preparer(args, bib, couches, membres, gain, origine):
    """The base with --regler and the composed [puits] and [barriere],
    accepted by gain (Composition)."""
    fichier = Fichier(texte_de_base(args.base))
    reglages = analyser_reglages(args.regler)
    for cible, texte in reglages:
        fichier.regler(cible, texte)
    # Gamma set by hand: the base's Gamma_TM, of another guide, follows it
    # (as the key's absence would), unless it is set too.
    cibles = {cible: texte for cible, texte in reglages}
    if ("systeme.facteur_confinement" in cibles and "systeme.facteur_confinement_tm" not in cibles
            and b"facteur_confinement_tm" in fichier.texte):
        fichier.regler("systeme.facteur_confinement_tm", cibles["systeme.facteur_confinement"])
    if args.nombre_puits < 1:
        raise Refus(f"--nombre-puits {args.nombre_puits} : il faut au moins un puits")
    # A stack says its count; a single well on a base without the key keeps its bytes.
    if args.nombre_puits > 1 or b"nombre_puits" in fichier.texte:
        fichier.regler("systeme.nombre_puits", str(args.nombre_puits))
    # The layers' keys depend on the temperature, which gain reads only in a
    # file it accepts: composed at 300 K first, again if the file says otherwise.
    T = None
    for essai in (300.0, None):
        ecrire_couches(fichier, bib, couches, membres, essai or T)
        v = verifier(gain, fichier.texte, origine)
        T = v.valeur("constantes", "temperature")
        if T == (essai or T):
            break
    verifier_reglages(reglages, v)
    K_bib = k_source(bib, membres, v.materiau)
    if args.K_delta_Ec_source:
        if K_bib is None:
            raise Refus(f"--K_delta_Ec-source : le puits {couches[0][0]} et la barrière {couches[1][0]} ont la même "
                        f"bande interdite : pas de partage de sa différence à tirer des décalages")
        fichier.regler("systeme.K_delta_Ec", nombre(K_bib))
        v = verifier(gain, fichier.texte, origine)
    if not 0 <= v.valeur("systeme", "K_delta_Ec") <= 1:
        raise Refus(f"{origine} : [systeme] K_delta_Ec = {v.texte('systeme', 'K_delta_Ec').strip()} hors du "
                    f"domaine accepté [0, 1]")
    return Composition(fichier, v, T, K_bib, origine)


def _mode_du_fichier(chemin):
    """The mode a replaced file keeps; a new file takes the umask's."""
    try:
        return os.stat(chemin).st_mode & 0o7777
    except FileNotFoundError:
        masque = os.umask(0)
        os.umask(masque)
        return 0o666 & ~masque


def ecrire_fichiers(ecritures):
    """ecritures: [(path, write(temporary path))]. Each file is first written
    beside its target, with the mode the target has (0644 stays 0644); only
    when every one is written are they renamed over their targets, so that a
    failure (a figure that cannot be drawn, a full disk) replaces nothing.
    A failure of write() raises Refus naming the file."""
    provisoires = []
    try:
        for chemin, ecrire in ecritures:
            descripteur, provisoire = tempfile.mkstemp(dir=chemin.parent, prefix=f".{chemin.stem}-",
                                                       suffix=chemin.suffix)
            os.close(descripteur)
            provisoires.append((provisoire, chemin))
            try:
                ecrire(provisoire)
            except (OSError, Refus):
                raise
            except Exception as e:  # matplotlib's RuntimeError, ValueError...
                raise Refus(f"{chemin} ne peut être écrit ({type(e).__name__} : {e}) ; rien n'est écrit") from None
            os.chmod(provisoire, _mode_du_fichier(chemin))
        for provisoire, chemin in provisoires:
            os.replace(provisoire, chemin)
        provisoires = []
    finally:
        for provisoire, _ in provisoires:
            try:
                os.unlink(provisoire)
            except FileNotFoundError:
                pass


def octets(texte):
    """A writer of `texte` (bytes) for ecrire_fichiers."""
    def ecrire(chemin):
        with open(chemin, "wb") as f:
            f.write(texte)
    return ecrire


def chemins_de_sortie(args):
    """config.ini, the arguments file and the guide figure; refused when one
    exists (without --force) or the output is a folder."""
    sortie = pathlib.Path(args.sortie)
    fichier_arguments = sortie.parent / "arguments"
    for chemin in [sortie] + ([] if args.sans_gain else [fichier_arguments]):
        if chemin.exists() and not args.force:
            raise Refus(f"{chemin} existe déjà : rien n'est écrit (--force pour le remplacer)")
    if sortie.is_dir():
        raise Refus(f"{sortie} est un dossier : donnez le chemin du fichier config.ini")
    return sortie, fichier_arguments, sortie.parent / "guide.png"
