"""The figures of a gain run's bands: the hole subbands E(k) and the band
profile with the zone-centre envelopes."""
import numpy as np
from matplotlib.lines import Line2D

from .style import COULEUR_E, COULEUR_HH, COULEUR_LH, nouvelle_figure


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
    fig = nouvelle_figure(7.0 if deux_d else 5.4, 4.2)
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
    c = r.releve
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
        legende.append(Line2D([], [], color="0.3", marker="o", ls="", ms=4, label="niveaux à k = 0 (gain)"))
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


def _tracer_enveloppes(ax, env, centre, bande, trace, hauteur_panneau):
    """Each envelope at its level (trace: the levels and their colour). The
    largest excursion is 0.4 of the gap to the nearest other level of the
    panel (at most a fifth of the panel), so that neighbouring envelopes do
    not run into each other; the sign is taken positive at the well centre,
    as in the textbooks."""
    energies, couleur = trace
    z = env.z
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


def _bandes_du_profil(r):
    """{band: (well edge, barrier edge, levels, colour)} in electron energies,
    upwards from the valence edge of the unstrained well: a conduction level E
    sits at Eg + E, a hole level at -E_trou."""
    c = r.releve
    Eg = 1000 * c.Eg_puits_eV  # eV -> meV
    Vc = c.Vc_meV
    Vv = c.brut["materiau"]["Vv_meV"]
    bords = r.config.bords_puits()
    return {
        "E": (Eg + bords["E"], Eg + Vc, [Eg + e for e in c.niveaux["E"]], COULEUR_E),
        "HH": (-bords["HH"], -Vv, [-e for e in c.niveaux["HH"]], COULEUR_HH),
        "LH": (-bords["LH"], -Vv, [-e for e in c.niveaux["LH"]], COULEUR_LH),
    }


def _etendue(bandes, noms, marges):
    """Energy range of the panel of bands `noms`, widened by (below, above)."""
    valeurs = [v for b in noms for v in (bandes[b][0], bandes[b][1], *bandes[b][2])]
    return min(valeurs) - marges[0], max(valeurs) + marges[1]


def _axe_brise(ax_c, ax_hh, ax_lh):
    """Broken energy axis between the conduction and the valence band."""
    ax_lh.tick_params(labelleft=False)
    ax_c.spines["bottom"].set_visible(False)
    ax_c.tick_params(bottom=False, labelbottom=False)
    marque = dict(marker=[(-1, -0.5), (1, 0.5)], markersize=8, linestyle="none", color="k", mec="k", mew=1,
                  clip_on=False)
    ax_c.plot([0, 1], [0, 0], transform=ax_c.transAxes, **marque)
    for ax in (ax_hh, ax_lh):
        ax.spines["top"].set_visible(False)
        ax.plot([0, 1], [1, 1], transform=ax.transAxes, **marque)
        ax.set_xlabel("Position z (Å)")


def figure_profil(r):
    env, cfg = r.enveloppes, r.config
    Lw, Lb = cfg.reel("puits", "largeur"), cfg.reel("barriere", "largeur")
    z = env.z
    centre = int(np.argmin(np.abs(z - (Lb + Lw / 2))))
    bandes = _bandes_du_profil(r)
    haut = _etendue(bandes, ["E"], (15, 25))
    bas = _etendue(bandes, ["HH", "LH"], (20, 25))
    fig = nouvelle_figure(6.8, 5.6)
    grille = fig.add_gridspec(2, 2, height_ratios=(haut[1] - haut[0], bas[1] - bas[0]), hspace=0.04)
    ax_c = fig.add_subplot(grille[0, :])
    ax_hh = fig.add_subplot(grille[1, 0])
    ax_lh = fig.add_subplot(grille[1, 1], sharey=ax_hh)
    for ax, bande, titre, limites in ((ax_c, "E", "électrons", haut), (ax_hh, "HH", "trous lourds", bas),
                                      (ax_lh, "LH", "trous légers", bas)):
        bord_puits, bord_barriere, energies, couleur = bandes[bande]
        ax.axvspan(Lb, Lb + Lw, color="0.92", zorder=0, lw=0)
        ax.plot(*_marche(z, Lb, Lw, bord_puits, bord_barriere), color="black", lw=1.4)
        _tracer_enveloppes(ax, env, centre, bande, (energies, couleur), limites[1] - limites[0])
        ax.set_ylim(*limites)
        ax.set_xlim(z[0], z[-1])
        ax.text(0.015, 0.96 if bande == "E" else 0.04, titre, transform=ax.transAxes, fontsize=8,
                va="top" if bande == "E" else "bottom", ha="left",
                bbox={"boxstyle": "round,pad=0.2", "fc": "white", "ec": "none", "alpha": 0.8})
    _axe_brise(ax_c, ax_hh, ax_lh)
    ax_c.set_title(f"Profil de bandes et enveloppes au centre de zone (puits de {Lw:g} Å en gris)", loc="left")
    fig.supylabel("Énergie (meV), vers le haut ; 0 : bord BV du puits non contraint\n"
                  "(un niveau de trou est tracé à −son énergie de trou)", fontsize=8.5)
    return fig
