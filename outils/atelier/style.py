"""What every figure of the tools shares: the style, the colours, the units
in mathtext, and the helpers that scale and write numbers.

Every figure is built with matplotlib's object interface (no pyplot, no
global state), so that a sweep can draw thousands of them in one process.
"""
import numpy as np

DPI_IMPRESSION = 300

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



def nombre_tex(x, chiffres=3):
    """1.49e18 as 1.49×10¹⁸ in mathtext."""
    if x == 0 or not np.isfinite(x):
        return f"{x:g}"
    exposant = int(np.floor(np.log10(abs(x))))
    if -2 <= exposant <= 4:
        return f"{x:.{max(chiffres - 1 - exposant, 0)}f}"
    return rf"{x / 10**exposant:.{chiffres - 1}f}$\times10^{{{exposant}}}$"


def nouvelle_figure(largeur, hauteur):
    # matplotlib is imported by the first figure: a sweep without one never loads it.
    from matplotlib.figure import Figure

    return Figure(figsize=(largeur, hauteur), layout="constrained")


def facteur(valeurs):
    """Power of ten that brings the values near unity, and its mathtext: the
    axis label carries it, so that no offset text crowds the axis."""
    grand = np.nanmax(np.abs(valeurs)) if np.size(valeurs) else 0
    if not np.isfinite(grand) or grand == 0:
        return 1.0, ""
    exposant = int(np.floor(np.log10(grand)))
    if -2 <= exposant <= 3:
        return 1.0, ""
    return 10.0**exposant, f"10$^{{{exposant}}}$ "
