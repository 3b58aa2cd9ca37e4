"""The result files of a gain run, read as gain wrote them.

A run folder holds config.ini and the files it names in its [sortie] section;
config.ini is gain's to read (`gain --verifier`, module verification); this
module reads the tab-separated result files: the parameter file, the gain
file, the P-I file, the dispersion and envelope files.

Units are gain's: energies meV (hole energies counted positive downwards from
the valence edge of the unstrained well), densities cm-3, gains cm-1, current
densities A/cm2, currents A in the P-I file, wavelengths nm, k in m-1, z in A.
"""
import dataclasses

import numpy as np

from .verification import ErreurLecture

def energies_spectre(debut_E, fin_E):
    """Photon energies of one spectrum, as gain steps them (1 meV from debut_E)."""
    energies, E = [], debut_E
    while E <= fin_E:
        energies.append(E)
        E += 1.0
    return np.array(energies)


# ---------------------------------------------------------------------------
# The result files
# ---------------------------------------------------------------------------

@dataclasses.dataclass
class Spectres:
    """The gain file: one spectrum per density pass, on the same energies."""
    energies: np.ndarray  # photon energy, meV (nE)
    te: np.ndarray        # material TE gain, cm-1 (n passes x nE)
    tm: np.ndarray        # material TM gain, cm-1
    rsp: np.ndarray       # the Rsp column, as written


@dataclasses.dataclass
class Parametres:
    """The parameter file: one line per density pass."""
    N: np.ndarray       # carrier density, cm-3
    Gmax: np.ndarray    # peak modal TE gain, cm-1
    Gth: np.ndarray     # threshold gain of the winning cavity, cm-1
    Jnr: np.ndarray     # A/cm2
    Jrad: np.ndarray    # A/cm2
    Jth: np.ndarray     # A/cm2, interpolated on the line where threshold is crossed
    lambda_nm: np.ndarray  # emission wavelength, nm

    @property
    def J(self):
        """Current density of each pass, Jnr + Jrad (A/cm2)."""
        return self.Jnr + self.Jrad


@dataclasses.dataclass
class CourbePI:
    courant: np.ndarray  # A
    puissance: np.ndarray  # W, fibre-side facet, negative below threshold as gain writes it


@dataclasses.dataclass
class Dispersion:
    """Hole subbands E(k): level n of every k point scanned (hole axis, meV)."""
    kx: np.ndarray       # m-1
    ky: np.ndarray       # m-1
    niveaux: np.ndarray  # (points x branches), NaN where a point has fewer levels
    branche_lh: np.ndarray  # 1: light-hole branch, 0: heavy-hole branch


@dataclasses.dataclass
class Enveloppes:
    z: np.ndarray   # position across the structure, A
    noms: list      # "E1", "HH1", "LH1", ...
    psi: np.ndarray  # (positions x levels), normalised envelopes


def lire_octets(chemin, quoi):
    try:
        with open(chemin, "rb") as f:
            return f.read()
    except FileNotFoundError:
        raise ErreurLecture(f"{quoi} « {chemin} » absent") from None
    except OSError as e:
        raise ErreurLecture(f"{quoi} « {chemin} » illisible ({e.strerror})") from None


def _table(chemin, quoi, nb_colonnes, entete):
    """Header and rows of numbers of a tab-separated file. An empty file, a
    missing header or a row cut short is an ErreurLecture naming the line;
    a last row cut short (a run stopped while writing) is dropped and
    reported in the second value."""
    donnees = lire_octets(chemin, quoi)
    if not donnees:
        raise ErreurLecture(f"{quoi} « {chemin} » vide : le calcul s'est arrêté avant de l'écrire")
    lignes = donnees.split(b"\n")
    if len(lignes) == 1:
        raise ErreurLecture(f"{quoi} « {chemin} » tronqué dans son en-tête")
    if not lignes[0].startswith(entete):
        raise ErreurLecture(f"{quoi} « {chemin} » : en-tête inattendu (« {lignes[0][:60].decode('cp1252', 'replace')} »)")
    dernier_incomplet = lignes[-1] != b""  # gain ends every line it writes
    corps = lignes[1:] if not dernier_incomplet else lignes[1:-1]
    if corps and corps[-1] == b"" and not dernier_incomplet:
        corps = corps[:-1]
    lignes_lues = []
    for numero, ligne in enumerate(corps, start=2):
        champs = ligne.split(b"\t")
        try:
            valeurs = [float(c) for c in champs]
        except ValueError:
            valeurs = None
        if valeurs is None or (nb_colonnes and len(valeurs) != nb_colonnes):
            raise ErreurLecture(f"{quoi} « {chemin} », ligne {numero} illisible : « {ligne[:80].decode('latin-1')} »")
        lignes_lues.append(valeurs)
    probleme = None
    if dernier_incomplet:
        probleme = (f"{quoi} « {chemin} » tronqué : la ligne {len(lignes)} est inachevée "
                    f"(calcul interrompu pendant l'écriture), elle est ignorée")
    return lignes_lues, probleme


def lire_parametres(chemin):
    """Parameter file; returns (Parametres, problem or None)."""
    lignes, probleme = _table(chemin, "fichier des paramètres", 7, b"Nth (cm-3)\t")
    t = np.array(lignes, dtype=float).reshape(-1, 7)
    return Parametres(*(t[:, i] for i in range(7))), probleme


def lire_spectres(chemin, debut_E, fin_E):
    """Gain file, cut into one spectrum per density on gain's energy grid;
    returns (Spectres, problem or None). A last spectrum cut short is dropped
    and reported."""
    lignes, probleme = _table(chemin, "fichier de gain", 4, b"Energie(meV)\t")
    energies = energies_spectre(debut_E, fin_E)
    nE = len(energies)
    t = np.array(lignes, dtype=float).reshape(-1, 4)
    if nE == 0:
        if len(t):
            raise ErreurLecture(f"fichier de gain « {chemin} » : des lignes alors que fin_E < debut_E dans config.ini")
        vide = np.empty((0, 0))
        return Spectres(energies, vide, vide, vide), probleme
    complets = len(t) // nE
    reste = len(t) - complets * nE
    if reste:
        probleme = (f"fichier de gain « {chemin} » tronqué : la densité n° {complets + 1} n'a que {reste} "
                    f"énergies sur {nE} (calcul interrompu), elle est ignorée")
    t = t[: complets * nE].reshape(complets, nE, 4)
    attendu = np.broadcast_to(energies, (complets, nE))
    ecart = np.abs(t[:, :, 0] - attendu) > 1e-6 * np.maximum(1.0, np.abs(attendu))
    if ecart.any():
        bloc, i = np.argwhere(ecart)[0]
        raise ErreurLecture(f"fichier de gain « {chemin} », ligne {2 + bloc * nE + i} : énergie {t[bloc, i, 0]:g} meV "
                            f"où {energies[i]:g} meV était attendu (debut_E, fin_E de config.ini)")
    return Spectres(energies, t[:, :, 1], t[:, :, 2], t[:, :, 3]), probleme


def lire_pi(chemin):
    """P-I file; header only when gain found no threshold. Returns (CourbePI, problem)."""
    lignes, probleme = _table(chemin, "fichier P-I", 2, b"Courant (A)\t")
    t = np.array(lignes, dtype=float).reshape(-1, 2)
    return CourbePI(t[:, 0], t[:, 1]), probleme


def lire_dispersion(chemin):
    """Dispersion file: rows kx, ky, levels..., then the branche_lh line."""
    donnees = lire_octets(chemin, "fichier de dispersion")
    lignes = donnees.split(b"\n")
    if not lignes[0].startswith(b"kx (m-1)\t"):
        raise ErreurLecture(f"fichier de dispersion « {chemin} » vide ou sans son en-tête")
    fin = [i for i, l in enumerate(lignes) if l.startswith(b"branche_lh")]
    if not fin or lignes[-1] != b"":
        raise ErreurLecture(f"fichier de dispersion « {chemin} » tronqué : la ligne branche_lh manque")
    points = []
    for numero, ligne in enumerate(lignes[1 : fin[0]], start=2):
        try:
            points.append([float(c) for c in ligne.split(b"\t")])
        except ValueError:
            raise ErreurLecture(f"fichier de dispersion « {chemin} », ligne {numero} illisible") from None
        if len(points[-1]) < 2:
            raise ErreurLecture(f"fichier de dispersion « {chemin} », ligne {numero} sans kx et ky")
    drapeaux = np.array([int(c) for c in lignes[fin[0]].split(b"\t")[1:]], dtype=int)
    nb = max([len(p) - 2 for p in points] + [len(drapeaux), 0])
    niveaux = np.full((len(points), nb), np.nan)
    for i, p in enumerate(points):
        niveaux[i, : len(p) - 2] = p[2:]
    kx = np.array([p[0] for p in points])
    ky = np.array([p[1] for p in points])
    return Dispersion(kx, ky, niveaux, drapeaux)


def lire_enveloppes(chemin):
    donnees = lire_octets(chemin, "fichier des enveloppes")
    lignes = donnees.split(b"\n")
    if not lignes[0].startswith(b"z (A)"):
        raise ErreurLecture(f"fichier des enveloppes « {chemin} » vide ou sans son en-tête")
    noms = [n.decode() for n in lignes[0].split(b"\t")[1:]]
    lignes_lues, probleme = _table(chemin, "fichier des enveloppes", len(noms) + 1, b"z (A)")
    if probleme:
        raise ErreurLecture(probleme.replace(", elle est ignorée", ""))
    t = np.array(lignes_lues, dtype=float).reshape(-1, len(noms) + 1)
    return Enveloppes(t[:, 0], noms, t[:, 1:])
