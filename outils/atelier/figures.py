"""The figures of a gain run's results: gain and spontaneous-emission
spectra, the peak gain with its fits and threshold, the P-I curve."""
import numpy as np
from matplotlib import cm, colors, ticker
from matplotlib.lines import Line2D

from . import merite
from .style import (A_CM2, CARTE_DENSITES, CM1, CM3, COULEUR_AJUSTEMENT, COULEUR_BRAGG, COULEUR_E,
                    COULEUR_SEUIL, facteur, nombre_tex, nouvelle_figure)


def _hc(r):
    """gain's photon energy-wavelength product (meV nm), from its run record;
    without a record, the value its parameter file gives wavelengths with."""
    return r.releve.constantes["h_c_meV_nm"] if r.releve is not None else None


def _axe_longueur_onde(ax, hc):
    """Top axis in wavelength (nm) over a photon-energy axis (meV); none
    without gain's h c."""
    if hc is None:
        return None

    def vers_nm(E):
        with np.errstate(divide="ignore", invalid="ignore"):
            return hc / np.asarray(E, dtype=float)
    haut = ax.secondary_xaxis("top", functions=(vers_nm, vers_nm))
    haut.set_xlabel("Longueur d'onde (nm)")
    haut.xaxis.set_major_locator(ticker.MaxNLocator(7))
    return haut


def _echelle_densites(N):
    """Colours of the densities, and the unit of the colour bar."""
    f, unite = facteur(N)
    bas, haut = float(np.min(N)) / f, float(np.max(N)) / f
    if bas == haut:
        bas, haut = bas * 0.95, haut * 1.05
    echelle = cm.ScalarMappable(colors.Normalize(bas, haut), CARTE_DENSITES)
    echelle.facteur, echelle.unite = f, unite
    return echelle


def _couleur(echelle, N):
    return echelle.to_rgba(N / echelle.facteur)


def _barre_densites(fig, ax, echelle, N):
    if len(N) == 1:  # one density: named in the title, no colour bar
        ax.set_title(f"{ax.get_title(loc='left')}, N = {nombre_tex(N[0])} {CM3}", loc="left")
        return None
    barre = fig.colorbar(echelle, ax=ax, pad=0.02, aspect=30)
    barre.set_label(f"Densité de porteurs N ({echelle.unite}{CM3})")
    return barre


def _marquer_bragg(ax, r):
    """The grating's photon energy, gain's, where it closes a cavity."""
    if r.releve is None or r.releve.reseau["etat"] == "absent":
        return None
    lam, E = r.releve.reseau["lambda_nm"], r.releve.reseau["E_meV"]
    bas, haut = ax.get_xlim()
    if bas <= E <= haut:
        ax.axvline(E, color=COULEUR_BRAGG, ls=":", lw=1.1)
        return Line2D([], [], color=COULEUR_BRAGG, ls=":", lw=1.1, label=f"λ Bragg = {lam:g} nm")
    return None


def _gth_materiau(r):
    """Threshold modal gain of the cavity that wins (the threshold pass, or
    the last one) and its name."""
    p = r.parametres
    i = merite.indice_seuil(p)
    i = i if i is not None else len(p.N) - 1
    cavite = None
    if r.releve is not None and len(r.releve.cavites) > i:
        cavite = r.releve.cavites[i]
    return float(p.Gth[i]), cavite


# ---------------------------------------------------------------------------
# Figure 1 and 2: spectra
# ---------------------------------------------------------------------------

def figure_spectres_gain(r):
    s, N = r.spectres, r.densites()
    gamma = r.config.reel("systeme", "facteur_confinement")
    fig = nouvelle_figure(6.6, 4.2)
    ax = fig.add_subplot()
    echelle = _echelle_densites(N)
    for n, te, tm in zip(N, s.te, s.tm):
        c = _couleur(echelle, n)
        ax.plot(s.energies, te, color=c, ls="-", gid="spectre_TE")
        ax.plot(s.energies, tm, color=c, ls="--", lw=1.0, gid="spectre_TM")
    ax.axhline(0, color="black", lw=0.6)
    ax.set_xlim(s.energies[0], s.energies[-1])
    legende = [Line2D([], [], color="0.3", ls="-", label="TE"), Line2D([], [], color="0.3", ls="--", label="TM")]
    Gth_materiau = None
    if r.parametres is not None and len(r.parametres.N) and gamma > 0:
        Gth, cavite = _gth_materiau(r)
        Gth_materiau = Gth / gamma
        ax.axhline(Gth_materiau, color=COULEUR_SEUIL, lw=1.1, ls="-.")
        nom = f" ({cavite})" if cavite else ""
        legende.append(Line2D([], [], color=COULEUR_SEUIL, ls="-.",
                              label=f"Gth/Γ{nom} = {Gth / gamma:.0f} {CM1}"))
    if (bragg := _marquer_bragg(ax, r)) is not None:
        legende.append(bragg)
    # The absorption far above the gap would flatten the gain that matters:
    # the axis is held around the positive gain and the threshold.
    haut = max(np.nanmax(s.te), np.nanmax(s.tm), Gth_materiau or 0)
    bas = min(np.nanmin(s.te), np.nanmin(s.tm))
    if haut > 0 and bas < -1.6 * haut:
        ax.set_ylim(-1.6 * haut, 1.2 * haut)
        legende.append(Line2D([], [], ls="", label=f"axe limité : absorption\njusqu'à {bas:.0f} {CM1}".replace("-", "−")))
    ax.set_xlabel("Énergie du photon (meV)")
    ax.set_ylabel(f"Gain matériau ({CM1})")
    ax.set_title("Spectres de gain matériau", loc="left")
    _axe_longueur_onde(ax, _hc(r))
    _barre_densites(fig, ax, echelle, N)
    ax.legend(handles=legende, loc="lower left", bbox_to_anchor=(0, 0.06), framealpha=0.9)
    return fig


def figure_emission_spontanee(r):
    s, N = r.spectres, r.densites()
    fig = nouvelle_figure(6.6, 4.2)
    ax = fig.add_subplot()
    echelle = _echelle_densites(N)
    f, unite = facteur(s.rsp)
    for n, rsp in zip(N, s.rsp):
        ax.plot(s.energies, rsp / f, color=_couleur(echelle, n), gid="spectre_Rsp")
    ax.set_xlim(s.energies[0], s.energies[-1])
    ax.set_ylim(bottom=0)
    legende = []
    if (bragg := _marquer_bragg(ax, r)) is not None:
        legende.append(bragg)
    ax.set_xlabel("Énergie du photon (meV)")
    # The column headed "Rsp (cm-1)" holds a rate per volume and per photon energy.
    ax.set_ylabel(f"Émission spontanée r$_{{sp}}$ ({unite}s⁻¹ cm⁻³ J⁻¹)\ncolonne « Rsp (cm-1) » du fichier de gain")
    ax.set_title("Spectres d'émission spontanée", loc="left")
    _axe_longueur_onde(ax, _hc(r))
    _barre_densites(fig, ax, echelle, N)
    if legende:
        ax.legend(handles=legende, loc="upper right", framealpha=0.9)
    return fig


# ---------------------------------------------------------------------------
# Figure 3: peak gain, fits and threshold
# ---------------------------------------------------------------------------

def _panneau_gain_max(ax, r, fm, abscisse, seuil_x, Gth):
    """Gmax against N or J, with Gth, the threshold point and the fit."""
    p = r.parametres
    gamma = r.config.reel("systeme", "facteur_confinement")
    x, f, unite_prefixe, cles, unite_brute, nom = abscisse
    unite = unite_prefixe + unite_brute
    ax.plot(x / f, p.Gmax, "o-", color=COULEUR_E, ms=4, label="Gmax", gid="points_gain")
    ax.axhline(Gth, color=COULEUR_SEUIL, ls="-.", lw=1.1, label=f"Gth = {Gth:.2f} {CM1}")
    ax.axhline(0, color="black", lw=0.6)
    g0, x_tr = fm[cles[0]], fm[cles[1]]
    if g0 is not None and gamma > 0:
        xs = np.linspace(min(x_tr, x[p.Gmax > 0].min()), x.max(), 200)
        nom_g0 = "g$_0$" if nom == "N" else "g$_J$"
        ax.plot(xs / f, gamma * g0 * np.log(xs / x_tr), color=COULEUR_AJUSTEMENT, ls="--", lw=1.0,
                label=f"Γ·{nom_g0} ln({nom}/{nom}$_{{tr}}$),\n{nom_g0} = {g0:.0f} {CM1}\n"
                      f"{nom}$_{{tr}}$ = {nombre_tex(x_tr)} {unite_brute}", gid="ajustement")
    if seuil_x is not None:
        ax.plot([seuil_x / f], [Gth], "*", color=COULEUR_SEUIL, ms=11, mec="white", mew=0.5, zorder=5,
                label=f"{nom}$_{{th}}$ = {nombre_tex(seuil_x, 4)} {unite_brute}")
    ax.set_xlabel(f"{'Densité de porteurs N' if nom == 'N' else 'Densité de courant J = Jnr + Jrad'} ({unite})")
    ax.set_ylabel(f"Gain modal max. Gmax ({CM1})")
    if gamma > 0:
        droite = ax.secondary_yaxis("right", functions=(lambda G: G / gamma, lambda g: g * gamma))
        droite.set_ylabel(f"Gain matériau Gmax/Γ ({CM1})")
    # The legend stands under the threshold line, where the rising gain
    # leaves room on the left.
    bas, haut = ax.get_ylim()
    ax.set_ylim(bas, max(haut, Gth + 0.08 * (haut - bas)))
    bas, haut = ax.get_ylim()
    ax.legend(loc="upper left", bbox_to_anchor=(0, (Gth - bas) / (haut - bas) - 0.03), framealpha=0.9,
              fontsize=7, handlelength=1.6, borderaxespad=0.3)


def _panneau_longueur_onde(ax_l, r, seuil, fN, uN, limites):
    """Emission wavelength against N. Below transparency the largest gain
    sits at an end of the spectrum: no gain peak, so no emission wavelength
    to show."""
    p = r.parametres
    debut_E, fin_E = r.config.reel("calcul", "debut_E"), r.config.reel("calcul", "fin_E")
    hc = _hc(r)
    au_bord = np.zeros(len(p.N), dtype=bool)
    if hc is not None:
        bords = hc / np.array([debut_E, fin_E])
        au_bord = np.isclose(p.lambda_nm[:, None], bords[None, :], rtol=1e-6).any(axis=1)
    if (~au_bord).any():
        ax_l.plot(p.N[~au_bord] / fN, p.lambda_nm[~au_bord], "o-", color=COULEUR_E, ms=4, lw=0.8,
                  label="au pic de gain modal", gid="points_lambda")
    else:  # no peak anywhere: show the ends, marked as such
        ax_l.plot(p.N / fN, p.lambda_nm, "o", mfc="white", color=COULEUR_E, ms=4,
                  label="maximum au bord du spectre (pas de pic de gain)", gid="points_lambda")
    if au_bord.any() and (~au_bord).any():
        ax_l.plot([], [], " ", label=f"non tracé : N ≤ {nombre_tex(p.N[au_bord].max())} {CM3},\n"
                                     "maximum au bord du spectre")
    lam = r.config.reel("bragg", "lambda")
    ax_l.axhline(lam, color=COULEUR_BRAGG, ls=":", lw=1.1, label=f"λ Bragg = {lam:g} nm")
    if seuil is not None:
        ax_l.axvline(seuil[0] / fN, color=COULEUR_SEUIL, ls="-.", lw=1.0,
                     label=f"N$_{{th}}$ ; λ d'émission = {seuil[2]:.1f} nm")
    ax_l.set_xlim(limites)
    ax_l.set_xlabel(f"Densité de porteurs N ({uN}{CM3})")
    ax_l.set_ylabel("Longueur d'onde\nd'émission (nm)")
    ax_l.legend(loc="center left", framealpha=0.9)


def figure_gain_max(r, fm):
    p = r.parametres
    fig = nouvelle_figure(7.0, 6.0)
    grille = fig.add_gridspec(2, 2, height_ratios=(1.3, 1))
    ax_N, ax_J = fig.add_subplot(grille[0, 0]), fig.add_subplot(grille[0, 1])
    ax_l = fig.add_subplot(grille[1, :])
    # gain's threshold (its run record), when it interpolated one
    seuil = None if fm["Nth_cm3"] is None else (fm["Nth_cm3"], fm["Jth_A_cm2"], fm["lambda_emission_nm"])
    i = merite.indice_seuil(p)
    Gth = p.Gth[i] if i is not None else p.Gth[-1]
    fN, uN = facteur(p.N)
    _panneau_gain_max(ax_N, r, fm, (p.N, fN, uN, ("g0_cm1", "Ntr_cm3"), CM3, "N"),
                      None if seuil is None else seuil[0], Gth)
    _panneau_gain_max(ax_J, r, fm, (p.J, 1.0, "", ("gJ_cm1", "Jtr_A_cm2"), A_CM2, "J"),
                      None if seuil is None else seuil[1], Gth)
    ax_N.set_title("Gain maximal et seuil", loc="left")
    _panneau_longueur_onde(ax_l, r, seuil, fN, uN, ax_N.get_xlim())
    return fig


# ---------------------------------------------------------------------------
# Figure 4: P-I
# ---------------------------------------------------------------------------

def figure_pi(r, fm):
    pi = r.pi
    fig = nouvelle_figure(6.0, 4.0)
    ax = fig.add_subplot()
    I, P = pi.courant * 1000, pi.puissance * 1000  # A -> mA, W -> mW
    ax.plot(I, P, color=COULEUR_E, gid="courbe_PI", label="puissance côté fibre")
    ax.set_xlim(I.min(), I.max())
    ax.set_ylim(0, max(P.max() * 1.05, 1e-3))
    if fm["Ith_mA"] is not None:
        ax.axvline(fm["Ith_mA"], color=COULEUR_SEUIL, ls="-.", lw=1.1,
                   label=f"I$_{{th}}$ = {fm['Ith_mA']:.1f} mA")
    if fm["rendement_W_A"] is not None:
        ax.plot([], [], " ", label=f"rendement différentiel = {fm['rendement_W_A']:.3f} W/A")
    if not fm["seuil_atteint"]:
        ax.set_title("Courbe P-I (seuil non atteint dans la série : droite sans seuil)", loc="left")
    else:
        ax.set_title("Courbe P-I", loc="left")
    ax.set_xlabel("Courant (mA)")
    ax.set_ylabel("Puissance optique (mW)")
    ax.legend(loc="upper left", framealpha=0.9)
    return fig
