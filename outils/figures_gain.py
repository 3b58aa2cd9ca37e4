"""The figures of a gain run folder, and its summary resume.txt.

Every figure is built with matplotlib's object interface (no pyplot, no
global state), so that a sweep can draw thousands of them in one process.
`tracer_dossier(dossier)` draws all that the folder's files allow into
<dossier>/figures/ (PNG at print resolution and PDF) and writes resume.txt.
"""
import os

import numpy as np
from matplotlib import cm, colors, ticker
from matplotlib.figure import Figure
from matplotlib.lines import Line2D

import lecture_gain as lg

DPI_IMPRESSION = 300
DOSSIER_FIGURES = "figures"
FICHIER_RESUME = "resume.txt"

STYLE = {
    "font.size": 9,
    "axes.titlesize": 9.5,
    "axes.labelsize": 9,
    "legend.fontsize": 7.5,
    "xtick.labelsize": 8,
    "ytick.labelsize": 8,
    "axes.grid": True,
    "grid.alpha": 0.25,
    "grid.linewidth": 0.5,
    "lines.linewidth": 1.2,
    "pdf.fonttype": 42,  # TrueType in the PDF: its text stays text
    "svg.fonttype": "none",
}
CARTE_DENSITES = "viridis"
COULEUR_E, COULEUR_HH, COULEUR_LH = "#1f5fa8", "#b5481d", "#2a8a4a"
COULEUR_SEUIL, COULEUR_BRAGG, COULEUR_AJUSTEMENT = "#c0392b", "#7d3c98", "#555555"

# Units written with mathtext, the same in every figure.
CM1, CM3, A_CM2 = r"cm$^{-1}$", r"cm$^{-3}$", r"A/cm$^2$"


def _nombre(x, chiffres=3):
    """1.49e18 as 1.49×10¹⁸ in mathtext."""
    if x == 0 or not np.isfinite(x):
        return f"{x:g}"
    exposant = int(np.floor(np.log10(abs(x))))
    if -2 <= exposant <= 4:
        return f"{x:.{max(chiffres - 1 - exposant, 0)}f}"
    return rf"{x / 10**exposant:.{chiffres - 1}f}$\times10^{{{exposant}}}$"


def _nouvelle_figure(largeur, hauteur):
    return Figure(figsize=(largeur, hauteur), layout="constrained")


def _facteur(valeurs):
    """Power of ten that brings the values near unity, and its mathtext: the
    axis label carries it, so that no offset text crowds the axis."""
    grand = np.nanmax(np.abs(valeurs)) if np.size(valeurs) else 0
    if not np.isfinite(grand) or grand == 0:
        return 1.0, ""
    exposant = int(np.floor(np.log10(grand)))
    if -2 <= exposant <= 3:
        return 1.0, ""
    return 10.0**exposant, f"10$^{{{exposant}}}$ "


def _axe_longueur_onde(ax):
    """Top axis in wavelength (nm) over a photon-energy axis (meV)."""
    def vers_nm(E):
        with np.errstate(divide="ignore", invalid="ignore"):
            return lg.HC_MEV_NM / np.asarray(E, dtype=float)
    haut = ax.secondary_xaxis("top", functions=(vers_nm, vers_nm))
    haut.set_xlabel("Longueur d'onde (nm)")
    haut.xaxis.set_major_locator(ticker.MaxNLocator(7))
    return haut


def _echelle_densites(N):
    """Colours of the densities, and the unit of the colour bar."""
    f, unite = _facteur(N)
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
        ax.set_title(f"{ax.get_title(loc='left')}, N = {_nombre(N[0])} {CM3}", loc="left")
        return None
    barre = fig.colorbar(echelle, ax=ax, pad=0.02, aspect=30)
    barre.set_label(f"Densité de porteurs N ({echelle.unite}{CM3})")
    return barre


def _marquer_bragg(ax, r):
    lam = r.config.reel("bragg", "lambda")
    E = lg.energie_bragg_meV(lam)
    bas, haut = ax.get_xlim()
    if bas <= E <= haut:
        ax.axvline(E, color=COULEUR_BRAGG, ls=":", lw=1.1)
        return Line2D([], [], color=COULEUR_BRAGG, ls=":", lw=1.1, label=f"λ Bragg = {lam:g} nm")
    return None


def _gth_materiau(r):
    """Threshold modal gain of the cavity that wins (the threshold pass, or
    the last one) and its name."""
    p = r.parametres
    i = lg.indice_seuil(p)
    i = i if i is not None else len(p.N) - 1
    cavite = None
    if r.console is not None and len(r.console.cavites) > i:
        cavite = r.console.cavites[i]
    return float(p.Gth[i]), cavite


# ---------------------------------------------------------------------------
# Figure 1 and 2: spectra
# ---------------------------------------------------------------------------

def figure_spectres_gain(r):
    s, N = r.spectres, r.densites()
    gamma = r.config.reel("systeme", "facteur_confinement")
    fig = _nouvelle_figure(6.6, 4.2)
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
    _axe_longueur_onde(ax)
    _barre_densites(fig, ax, echelle, N)
    ax.legend(handles=legende, loc="lower left", bbox_to_anchor=(0, 0.06), framealpha=0.9)
    return fig


def figure_emission_spontanee(r):
    s, N = r.spectres, r.densites()
    fig = _nouvelle_figure(6.6, 4.2)
    ax = fig.add_subplot()
    echelle = _echelle_densites(N)
    f, unite = _facteur(s.rsp)
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
    _axe_longueur_onde(ax)
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
                      f"{nom}$_{{tr}}$ = {_nombre(x_tr)} {unite_brute}", gid="ajustement")
    if seuil_x is not None:
        ax.plot([seuil_x / f], [Gth], "*", color=COULEUR_SEUIL, ms=11, mec="white", mew=0.5, zorder=5,
                label=f"{nom}$_{{th}}$ = {_nombre(seuil_x, 4)} {unite_brute}")
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
    bords = lg.HC_MEV_NM / np.array([debut_E, fin_E])
    au_bord = np.isclose(p.lambda_nm[:, None], bords[None, :], rtol=1e-6).any(axis=1)
    if (~au_bord).any():
        ax_l.plot(p.N[~au_bord] / fN, p.lambda_nm[~au_bord], "o-", color=COULEUR_E, ms=4, lw=0.8,
                  label="au pic de gain modal", gid="points_lambda")
    else:  # no peak anywhere: show the ends, marked as such
        ax_l.plot(p.N / fN, p.lambda_nm, "o", mfc="white", color=COULEUR_E, ms=4,
                  label="maximum au bord du spectre (pas de pic de gain)", gid="points_lambda")
    if au_bord.any() and (~au_bord).any():
        ax_l.plot([], [], " ", label=f"non tracé : N ≤ {_nombre(p.N[au_bord].max())} {CM3},\n"
                                     "maximum au bord du spectre")
    lam = r.config.reel("bragg", "lambda")
    ax_l.axhline(lam, color=COULEUR_BRAGG, ls=":", lw=1.1, label=f"λ Bragg = {lam:g} nm")
    if seuil is not None:
        ax_l.axvline(seuil[0] / fN, color=COULEUR_SEUIL, ls="-.", lw=1.0,
                     label=f"N$_{{th}}$ ; λ d'émission = {p.lambda_nm[seuil[2]]:.1f} nm")
    ax_l.set_xlim(limites)
    ax_l.set_xlabel(f"Densité de porteurs N ({uN}{CM3})")
    ax_l.set_ylabel("Longueur d'onde\nd'émission (nm)")
    ax_l.legend(loc="center left", framealpha=0.9)


def figure_gain_max(r, fm):
    p = r.parametres
    fig = _nouvelle_figure(7.0, 6.0)
    grille = fig.add_gridspec(2, 2, height_ratios=(1.3, 1))
    ax_N, ax_J = fig.add_subplot(grille[0, 0]), fig.add_subplot(grille[0, 1])
    ax_l = fig.add_subplot(grille[1, :])
    seuil = lg.seuil_interpole(p)
    i = lg.indice_seuil(p)
    Gth = p.Gth[i] if i is not None else p.Gth[-1]
    fN, uN = _facteur(p.N)
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
    fig = _nouvelle_figure(6.0, 4.0)
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
    elif fm.get("Ith_PI_mA") is not None and any("droite P-I" in a for a in fm["avertissements"]):
        ax.set_title(f"Courbe P-I de gain : elle part de {fm['Ith_PI_mA']:.4g} mA, pas de I$_{{th}}$", loc="left")
    else:
        ax.set_title("Courbe P-I", loc="left")
    ax.set_xlabel("Courant (mA)")
    ax.set_ylabel("Puissance optique (mW)")
    ax.legend(loc="upper left", framealpha=0.9)
    return fig


# ---------------------------------------------------------------------------
# Figure 5: hole subbands
# ---------------------------------------------------------------------------

ETIQUETTE_TROUS = "Énergie de trou (meV)\n(positive vers le bas, 0 : bord BV du puits non contraint)"


def _tracer_branches(ax, k, niveaux, drapeaux, gid):
    for n in range(niveaux.shape[1]):
        lh = n < len(drapeaux) and drapeaux[n] == 1
        ax.plot(k * 1e-9, niveaux[:, n], color=COULEUR_LH if lh else COULEUR_HH,
                ls="--" if lh else "-", gid=gid)


def figure_dispersion(r):
    d = r.dispersion
    deltak = r.config.reel("calcul", "deltak")
    deux_d = np.any(d.ky != 0)
    fig = _nouvelle_figure(7.0 if deux_d else 5.4, 4.2)
    if deux_d:
        ax_x, ax_d = fig.subplots(1, 2, sharey=True)
        i = np.rint((d.kx - 1e6) / deltak).astype(int) + 1  # kx index of the scan
        j = np.rint(d.ky / deltak).astype(int)
        axe = j == 0
        diag = i == j
        _tracer_branches(ax_x, d.kx[axe], d.niveaux[axe], d.branche_lh, "branche")
        _tracer_branches(ax_d, np.hypot(d.kx[diag], d.ky[diag]), d.niveaux[diag], d.branche_lh, "branche_diagonale")
        ax_x.set_title("Selon kx (ky = 0)", loc="left")
        ax_d.set_title("Diagonale kx ≈ ky", loc="left")
        ax_x.set_xlabel("kx (nm$^{-1}$)")
        ax_d.set_xlabel("|k| (nm$^{-1}$)")
        axes = (ax_x, ax_d)
    else:
        ax_x = fig.add_subplot()
        _tracer_branches(ax_x, d.kx, d.niveaux, d.branche_lh, "branche")
        ax_x.set_title("Sous-bandes de trous (selon kx)", loc="left")
        ax_x.set_xlabel("Vecteur d'onde dans le plan kx (nm$^{-1}$)")
        axes = (ax_x,)
    legende = [Line2D([], [], color=COULEUR_HH, label="branche de trous lourds"),
               Line2D([], [], color=COULEUR_LH, ls="--", label="branche de trous légers")]
    c = r.console
    Vv = r.config.materiau["Vv_meV"]
    for ax in axes:
        if c is not None:
            for bande, couleur in (("HH", COULEUR_HH), ("LH", COULEUR_LH)):
                ax.plot(np.zeros(len(c.niveaux[bande])), c.niveaux[bande], "o", color=couleur, ms=4,
                        clip_on=False, zorder=4)
        if Vv is not None and np.isfinite(Vv):
            ax.axhline(Vv, color="0.4", ls=":", lw=1.0)
        ax.set_xlim(left=0)
    if c is not None:
        legende.append(Line2D([], [], color="0.3", marker="o", ls="", ms=4, label="niveaux à k = 0 (console)"))
    if Vv is not None and np.isfinite(Vv):
        legende.append(Line2D([], [], color="0.4", ls=":", label=f"bord BV de la barrière ({Vv:.1f} meV)"))
    axes[0].invert_yaxis()
    axes[0].set_ylabel(ETIQUETTE_TROUS)
    axes[-1].legend(handles=legende, loc="upper right", framealpha=0.9)
    return fig


# ---------------------------------------------------------------------------
# Figure 6: band profile and envelopes
# ---------------------------------------------------------------------------

def _marche(z, Lb, Lw, bord_puits, bord_barriere):
    """The square profile of one band edge across the structure."""
    zs = [z[0], Lb, Lb, Lb + Lw, Lb + Lw, z[-1]]
    return zs, [bord_barriere, bord_barriere, bord_puits, bord_puits, bord_barriere, bord_barriere]


def _tracer_enveloppes(ax, env, z, centre, bande, energies, couleur, hauteur_panneau):
    """Each envelope at its level. The largest excursion is 0.4 of the gap to
    the nearest other level of the panel (at most a fifth of the panel), so
    that neighbouring envelopes do not run into each other; the sign is
    taken positive at the well centre, as in the textbooks."""
    for n, E in enumerate(energies, start=1):
        nom = f"{bande}{n}"
        if nom not in env.noms:
            continue
        psi = env.psi[:, env.noms.index(nom)]
        if psi[centre] < 0:
            psi = -psi
        autres = [abs(E - e) for e in energies if e != E]
        amplitude = min([0.2 * hauteur_panneau] + [0.4 * ecart for ecart in autres if ecart > 0])
        y = E + psi * amplitude / max(np.max(np.abs(psi)), 1e-300)
        ax.axhline(E, color=couleur, lw=0.5, alpha=0.6)
        ax.fill_between(z, E, y, color=couleur, alpha=0.18, lw=0)
        ax.plot(z, y, color=couleur, lw=1.0, gid="enveloppe")
        ax.annotate(nom, (z[-1], E), xytext=(-2, 2), textcoords="offset points", ha="right", va="bottom",
                    color=couleur, fontsize=8)


def figure_profil(r):
    env, c, cfg = r.enveloppes, r.console, r.config
    m = cfg.materiau
    Eg = 1000 * (c.Eg_puits_eV if c.Eg_puits_eV is not None else m["Eg_puits_eV"])  # eV -> meV
    Vc = c.Vc_meV if c.Vc_meV is not None else m["Vc_meV"]
    Vv = m["Vv_meV"]
    Lw, Lb = cfg.reel("puits", "largeur"), cfg.reel("barriere", "largeur")
    z = env.z
    centre = int(np.argmin(np.abs(z - (Lb + Lw / 2))))

    # Electron energies, upwards from the valence edge of the unstrained well:
    # a conduction level E sits at Eg + E, a hole level at -E_trou.
    bords = cfg.bords_puits()
    bandes = {
        "E": (Eg + bords["E"], Eg + Vc, [Eg + e for e in c.niveaux["E"]], COULEUR_E),
        "HH": (-bords["HH"], -Vv, [-e for e in c.niveaux["HH"]], COULEUR_HH),
        "LH": (-bords["LH"], -Vv, [-e for e in c.niveaux["LH"]], COULEUR_LH),
    }

    def etendue(noms, marge_bas, marge_haut):
        valeurs = [v for b in noms for v in (bandes[b][0], bandes[b][1], *bandes[b][2])]
        return min(valeurs) - marge_bas, max(valeurs) + marge_haut

    haut = etendue(["E"], 15, 25)
    bas = etendue(["HH", "LH"], 20, 25)
    fig = _nouvelle_figure(6.8, 5.6)
    grille = fig.add_gridspec(2, 2, height_ratios=(haut[1] - haut[0], bas[1] - bas[0]), hspace=0.04)
    ax_c = fig.add_subplot(grille[0, :])
    ax_hh = fig.add_subplot(grille[1, 0])
    ax_lh = fig.add_subplot(grille[1, 1], sharey=ax_hh)
    for ax, bande, titre, limites in ((ax_c, "E", "électrons", haut), (ax_hh, "HH", "trous lourds", bas),
                                      (ax_lh, "LH", "trous légers", bas)):
        bord_puits, bord_barriere, energies, couleur = bandes[bande]
        ax.axvspan(Lb, Lb + Lw, color="0.92", zorder=0, lw=0)
        ax.plot(*_marche(z, Lb, Lw, bord_puits, bord_barriere), color="black", lw=1.4)
        _tracer_enveloppes(ax, env, z, centre, bande, energies, couleur, limites[1] - limites[0])
        ax.set_ylim(*limites)
        ax.set_xlim(z[0], z[-1])
        ax.text(0.015, 0.96 if bande == "E" else 0.04, titre, transform=ax.transAxes, fontsize=8,
                va="top" if bande == "E" else "bottom", ha="left",
                bbox={"boxstyle": "round,pad=0.2", "fc": "white", "ec": "none", "alpha": 0.8})
    ax_lh.tick_params(labelleft=False)
    # Broken energy axis between the conduction and the valence band.
    ax_c.spines["bottom"].set_visible(False)
    ax_c.tick_params(bottom=False, labelbottom=False)
    marque = dict(marker=[(-1, -0.5), (1, 0.5)], markersize=8, linestyle="none", color="k", mec="k", mew=1,
                  clip_on=False)
    ax_c.plot([0, 1], [0, 0], transform=ax_c.transAxes, **marque)
    for ax in (ax_hh, ax_lh):
        ax.spines["top"].set_visible(False)
        ax.plot([0, 1], [1, 1], transform=ax.transAxes, **marque)
        ax.set_xlabel("Position z (Å)")
    ax_c.set_title(f"Profil de bandes et enveloppes au centre de zone (puits de {Lw:g} Å en gris)", loc="left")
    fig.supylabel("Énergie (meV), vers le haut ; 0 : bord BV du puits non contraint\n"
                  "(un niveau de trou est tracé à −son énergie de trou)", fontsize=8.5)
    return fig


# ---------------------------------------------------------------------------
# resume.txt
# ---------------------------------------------------------------------------

def texte_resume(r, fm):
    def ligne(titre, cle, texte):
        valeur = fm.get(cle)
        if valeur is None:
            return f"{titre:<34}: indisponible — {fm['indisponible'].get(cle, 'inconnu')}"
        return f"{titre:<34}: {texte(valeur)}"

    gamma = r.config.valeur("systeme", "facteur_confinement")
    lignes = [f"Figures de mérite du calcul de {os.path.abspath(r.dossier)}",
              f"(gain matériau g = Gmax/Γ avec Γ = facteur_confinement = {gamma:g} ; "
              f"{fm['nb_densites']} densité(s) dans le fichier des paramètres)", ""]
    pts = lambda cle: f", {fm[cle]} points au-dessus de la transparence" if fm.get(cle) else ""  # noqa: E731
    lignes += [
        ligne("Densité de transparence Ntr", "Ntr_cm3",
              lambda v: f"{v:.4g} cm⁻³ (g = g0·ln(N/Ntr){pts('g0_points')})"),
        ligne("Coefficient de gain g0", "g0_cm1", lambda v: f"{v:.4g} cm⁻¹"),
        ligne("Courant de transparence Jtr", "Jtr_A_cm2",
              lambda v: f"{v:.4g} A/cm² (g = gJ·ln(J/Jtr), J = Jnr + Jrad{pts('gJ_points')})"),
        ligne("Coefficient gJ", "gJ_cm1", lambda v: f"{v:.4g} cm⁻¹"),
    ]
    encadrement = fm.get("N_encadrement_cm3")
    entre = f" (interpolée entre {encadrement[0]:.4g} et {encadrement[1]:.4g} cm⁻³)" if encadrement else ""
    W, L = r.config.valeur("systeme", "largeur_contact"), r.config.valeur("systeme", "longueur_puce")
    bande = f" (bande {W * 1e4:g} µm × {L * 10:g} mm)" if W is not None and L is not None else ""
    lignes += [
        ligne("Densité de seuil Nth", "Nth_cm3", lambda v: f"{v:.4g} cm⁻³{entre}"),
        ligne("Densité de courant de seuil Jth", "Jth_A_cm2", lambda v: f"{v:.2f} A/cm²"),
        ligne("Courant de seuil Ith", "Ith_mA", lambda v: f"{v:.2f} mA{bande}"),
        ligne("Rendement différentiel", "rendement_W_A", lambda v: f"{v:.4f} W/A (pente de la courbe P-I)"),
        ligne("Longueur d'onde d'émission", "lambda_emission_nm", lambda v: f"{v:.2f} nm"),
        ligne("Cavité qui accroche", "cavite",
              lambda v: f"{v} ({'« Accroche ' + v + ' » de la console' if fm.get('cavite_source') == 'console' else 'déduite de Gth'})"),
        ligne("Niveau E1", "E1_meV", lambda v: f"{v:.2f} meV (électrons, depuis le bord BC du puits non contraint)"),
        ligne("Niveau HH1", "HH1_meV", lambda v: f"{v:.2f} meV (trous, positifs vers le bas depuis le bord BV)"),
        ligne("Niveau LH1", "LH1_meV", lambda v: f"{v:.2f} meV (trous, positifs vers le bas depuis le bord BV)"),
        ligne("Transition E1-HH1", "lambda_E1_HH1_nm", lambda v: f"{v:.2f} nm ({fm['E1_HH1_meV']:.2f} meV)"),
        ligne("Première transition", "transition",
              lambda v: f"{v}, {fm['lambda_transition_nm']:.2f} nm ({fm['E1_trou1_meV']:.2f} meV)"),
        ligne("Polarisation au seuil", "polarisation", lambda v: v),
    ]
    if fm["seuil_atteint"] is False:
        lignes += ["", f"Seuil non atteint : Gmax le plus grand {fm['Gmax_max_cm1']:.4g} cm⁻¹, "
                       f"la cavité demande Gth = {fm['Gth_cm1']:.4g} cm⁻¹."]
    if fm["avertissements"]:
        lignes += ["", "Attention :"] + [f"  - {a}" for a in fm["avertissements"]]
    if fm["problemes"]:
        lignes += ["", "Fichiers incomplets :"] + [f"  - {p}" for p in fm["problemes"]]
    return "\n".join(lignes) + "\n"


# ---------------------------------------------------------------------------
# The whole folder
# ---------------------------------------------------------------------------

FIGURES = (
    ("1_spectres_gain", "spectres de gain TE et TM"),
    ("2_emission_spontanee", "spectres d'émission spontanée"),
    ("3_gain_max_seuil", "gain maximal, ajustements et seuil"),
    ("4_courbe_PI", "courbe P-I"),
    ("5_dispersion_trous", "sous-bandes de trous E(k)"),
    ("6_profil_bandes", "profil de bandes et enveloppes"),
)


def figures_possibles(r, fm):
    """{name: (function, or None with the reason it cannot be drawn)}."""
    def spectres():
        if r.spectres is None:
            return "fichier de gain illisible"
        if len(r.spectres.te) == 0:
            return "aucun spectre dans le fichier de gain"
        if r.densites() is None:
            return "densités des spectres inconnues (ni fichier des paramètres, ni console)"
        return None

    def selon(condition, raison):
        return None if condition else raison

    pas_de_param = r.parametres is None or len(r.parametres.N) == 0
    return {
        "1_spectres_gain": (lambda: figure_spectres_gain(r), spectres()),
        "2_emission_spontanee": (lambda: figure_emission_spontanee(r), spectres()),
        "3_gain_max_seuil": (lambda: figure_gain_max(r, fm),
                             selon(not pas_de_param, "aucune densité lisible dans le fichier des paramètres")),
        "4_courbe_PI": (lambda: figure_pi(r, fm),
                        "fichier P-I illisible" if r.pi is None else
                        selon(len(r.pi.courant) > 0, "fichier P-I sans points (pas de seuil calculé)")),
        "5_dispersion_trous": (lambda: figure_dispersion(r),
                               "pas de fichier de dispersion" if r.dispersion is None else
                               selon(len(r.dispersion.kx) > 0, "fichier de dispersion sans point")),
        "6_profil_bandes": (lambda: figure_profil(r),
                            "pas de fichier des enveloppes" if r.enveloppes is None else
                            selon(r.console is not None and any(r.console.niveaux.values()),
                                  "niveaux inconnus (pas de console.txt)")),
    }


def enregistrer(fig, chemin_sans_extension):
    """PNG at print resolution and PDF, with no date inside (same run, same bytes)."""
    fig.savefig(chemin_sans_extension + ".png", dpi=DPI_IMPRESSION, metadata={"Software": None})
    fig.savefig(chemin_sans_extension + ".pdf", metadata={"CreationDate": None, "ModDate": None, "Producer": None})
    return [chemin_sans_extension + ".png", chemin_sans_extension + ".pdf"]


def tracer_dossier(dossier, rapporter=print, gain=None):
    """Draws every figure the folder allows and writes resume.txt; returns
    (figures drawn {name: [paths]}, figures not drawn {name: reason},
    the figures of merit, the read results)."""
    from matplotlib import rc_context

    r = lg.lire_dossier(dossier, gain)
    fm = lg.calculer_figures_de_merite(r)
    sortie = os.path.join(os.fspath(dossier), DOSSIER_FIGURES)
    tracees, non_tracees = {}, {}
    with rc_context(STYLE):
        for nom, (fabrique, raison) in figures_possibles(r, fm).items():
            if raison is not None:
                non_tracees[nom] = raison
                continue
            os.makedirs(sortie, exist_ok=True)
            fig = fabrique()
            tracees[nom] = enregistrer(fig, os.path.join(sortie, nom))
    with open(os.path.join(os.fspath(dossier), FICHIER_RESUME), "w", encoding="utf-8") as f:
        f.write(texte_resume(r, fm))
    return tracees, non_tracees, fm, r
