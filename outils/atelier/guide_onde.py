"""Slab waveguide of the laser: refractive index near the gap and the
fundamental TE and TM modes of a symmetric layer stack, with their
confinement factors in the quantum well.

The stack is given from the centre outward: the centre layer (a well, or
the barrier between the two middle wells of an even stack; full width,
centred on x = 0), then each layer on both sides, the last one (the
cladding) taken as semi-infinite. Lengths in m, photon energies in eV.
"""
import cmath
import math
import textwrap

import numpy as np

# h*c/q in eV*nm: the wavelength of a photon energy.
HC_SUR_Q = 1239.84198

TE, TM = "TE", "TM"
NBSP = "\u00a0"


# ---------------------------------------------------------------- index

def _f_point_critique(chi):
    """Contribution of a three-dimensional M0 critical point,
    f(chi) = chi^-2 [2 - sqrt(1 + chi) - sqrt(1 - chi)], complex above the
    edge (chi > 1), with the branch that makes the absorption positive."""
    if chi == 0:
        return 0.25   # limit of the expansion at zero photon energy
    if chi > 1:   # sqrt(1 - chi) = -i sqrt(chi - 1)
        return (2 - math.sqrt(1 + chi) + 1j * math.sqrt(chi - 1)) / (chi * chi)
    return (2 - math.sqrt(1 + chi) - math.sqrt(1 - chi)) / (chi * chi)


def indice_pres_du_gap(A0, B0, E0, Delta0, E):
    """Refractive index at photon energy E (eV) from the dielectric function
    of the E0 and E0 + Delta0 critical points near the fundamental edge
    (model and parameters: indice_1982 of the materials library):
        eps(E) = A0 [f(E/E0) + 1/2 (E0/(E0 + Delta0))^(3/2) f(E/(E0 + Delta0))] + B0,
    E0 the direct gap and Delta0 the spin-orbit splitting (eV). Above the gap
    eps is complex and the index is the real part of its square root."""
    so = E0 + Delta0
    eps = A0 * (_f_point_critique(E / E0) + 0.5 * (E0 / so) ** 1.5 * _f_point_critique(E / so)) + B0
    return cmath.sqrt(eps).real


# ---------------------------------------------------------------- modes

def _traverser(champ, n, p, neff, k0, d):
    """Field u and w = p du/dx, champ = (u, w), carried across a homogeneous
    layer of thickness d: p = 1 for TE (E_y and dE_y/dx continuous), p = 1/n^2
    for TM (H_y and dH_y/dx / n^2 continuous)."""
    u, w = champ
    k2 = k0 * k0 * (n * n - neff * neff)
    if k2 > 0:
        k = math.sqrt(k2)
        c, s = math.cos(k * d), math.sin(k * d)
        return u * c + w * s / (p * k), -u * p * k * s + w * c
    if k2 < 0:
        g = math.sqrt(-k2)
        c, s = math.cosh(g * d), math.sinh(g * d)
        return u * c + w * s / (p * g), u * p * g * s + w * c
    return u + w * d / p, w   # flat field: n = neff in this layer


def _poids(n, polarisation):
    return 1.0 if polarisation == TE else 1.0 / (n * n)


def _dispersion(couches, neff, k0, polarisation):
    """Mismatch of the even field started at the centre (u = 1, u' = 0) with
    the decaying field of the cladding: zero on a symmetric guided mode."""
    u, w = 1.0, 0.0
    for i, (n, d) in enumerate(couches[:-1]):
        u, w = _traverser((u, w), n, _poids(n, polarisation), neff, k0, d / 2 if i == 0 else d)
        echelle = max(abs(u), abs(w / k0))   # a cosh growth of many decay lengths: keep the scale
        u, w = u / echelle, w / echelle
    n_c = couches[-1][0]
    gamma = k0 * math.sqrt(max(neff * neff - n_c * n_c, 0.0))
    return w + _poids(n_c, polarisation) * gamma * u


def indice_effectif(couches, longueur_onde, polarisation, pas=4000):
    """Effective index of the fundamental even mode (the guided root of
    highest index), or None when the stack guides no mode."""
    k0 = 2 * math.pi / longueur_onde
    n_c = couches[-1][0]
    n_max = max(n for n, _ in couches)
    if n_max <= n_c:
        return None
    bas, haut = n_c * (1 + 1e-12), n_max * (1 - 1e-14)
    precedent = haut
    f_precedent = _dispersion(couches, haut, k0, polarisation)
    for i in range(1, pas + 1):
        neff = haut - (haut - bas) * i / pas
        f = _dispersion(couches, neff, k0, polarisation)
        if f == 0:
            return neff
        if (f > 0) != (f_precedent > 0):
            a, b, fa = neff, precedent, f
            for _ in range(200):
                m = 0.5 * (a + b)
                fm = _dispersion(couches, m, k0, polarisation)
                if (fm > 0) == (fa > 0):
                    a, fa = m, fm
                else:
                    b = m
                if b - a < 1e-15:
                    break
            return 0.5 * (a + b)
        precedent, f_precedent = neff, f
    return None


def profil(couches, longueur_onde, polarisation, neff, points=400, queue=4.0):
    """The mode on x >= 0: positions (m), field u (E_y for TE, H_y for TM),
    index, and the index of the layer of each point. The cladding is drawn
    over `queue` decay lengths."""
    k0 = 2 * math.pi / longueur_onde
    xs, us, ns, numeros = [], [], [], []
    u, w, x0 = 1.0, 0.0, 0.0
    for i, (n, d) in enumerate(couches[:-1]):
        d = d / 2 if i == 0 else d
        p = _poids(n, polarisation)
        for t in np.linspace(0, d, points, endpoint=False):
            xs.append(x0 + t)
            us.append(_traverser((u, w), n, p, neff, k0, t)[0])
            ns.append(n)
            numeros.append(i)
        u, w = _traverser((u, w), n, p, neff, k0, d)
        x0 += d
    n_c = couches[-1][0]
    gamma = k0 * math.sqrt(neff * neff - n_c * n_c)
    for t in np.linspace(0, queue / gamma, points + 1):
        xs.append(x0 + t)
        us.append(u * math.exp(-gamma * t))
        ns.append(n_c)
        numeros.append(len(couches) - 1)
    return np.array(xs), np.array(us), np.array(ns), np.array(numeros), (x0, u, gamma)


def _simpson(y, x):
    """Composite Simpson rule on an even number of equal intervals."""
    h = (x[-1] - x[0]) / (len(x) - 1)
    return h / 3 * (y[0] + y[-1] + 4 * y[1:-1:2].sum() + 2 * y[2:-1:2].sum())


def mode(couches, longueur_onde, polarisation):
    """Fundamental mode: effective index, confinement factor in the centre
    layer, the share of every layer and the full width at half maximum of
    the power density (m), or None.

    Confinement: the share of the mode's power flow S_z carried in the well.
    S_z is proportional to |E_y|^2 for TE and to |H_y|^2 / n^2 for TM, so
    Gamma_TE = int_well |E_y|^2 / int |E_y|^2 and
    Gamma_TM = int_well |H_y|^2/n^2 / int |H_y|^2/n^2."""
    neff = indice_effectif(couches, longueur_onde, polarisation)
    if neff is None:
        return None
    k0 = 2 * math.pi / longueur_onde
    integrales = []
    u, w = 1.0, 0.0
    for i, (n, d) in enumerate(couches[:-1]):
        d = d / 2 if i == 0 else d
        p = _poids(n, polarisation)
        t = np.linspace(0, d, 2001)
        champ = np.array([_traverser((u, w), n, p, neff, k0, ti)[0] for ti in t])
        integrales.append(_simpson(champ * champ * p, t))
        u, w = _traverser((u, w), n, p, neff, k0, d)
    n_c = couches[-1][0]
    gamma = k0 * math.sqrt(neff * neff - n_c * n_c)
    integrales.append(_poids(n_c, polarisation) * u * u / (2 * gamma))   # exponential tail, exact
    total = sum(integrales)
    xs, us, ns, _, _ = profil(couches, longueur_onde, polarisation, neff)
    densite = us * us * np.array([_poids(n, polarisation) for n in ns])
    largeur = 2 * _demi_largeur(xs, densite)
    # `parts`: the share of each layer of the list, both its mirror copies
    # together (the centre layer is one); they add up to 1.
    return {"neff": neff, "confinement": integrales[0] / total, "largeur": largeur,
            "parts": [i / total for i in integrales]}


def _demi_largeur(xs, densite):
    """Half width at half maximum of a density even in x, sampled on x >= 0."""
    pic = densite.max()
    i = int(np.argmax(densite))
    for j in range(i, len(densite) - 1):
        if densite[j + 1] < pic / 2:
            a, b = densite[j], densite[j + 1]
            return xs[j] + (xs[j + 1] - xs[j]) * (a - pic / 2) / (a - b)
    return xs[-1]


def tracer(chemin, couches, noms, longueur_onde, modes, pile=0):
    """Index profile and the power density of the TE and TM modes (each
    normalised to its peak) across the whole symmetric stack, in a PNG. With
    `pile` > 0, the first `pile` layers from the centre (a stack of wells and
    its barriers, tens of nm in a guide of a micrometre) are drawn again
    enlarged in an inset."""
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, axe = plt.subplots(figsize=(7, 4.2))
    axe_mode = axe.twinx()
    for polarisation, style in ((TE, "-"), (TM, "--")):
        m = modes.get(polarisation)
        if m is None:
            continue
        xs, us, ns, _, _ = profil(couches, longueur_onde, polarisation, m["neff"])
        densite = us * us * np.array([_poids(n, polarisation) for n in ns])
        densite = densite / densite.max()
        x = np.concatenate([-xs[::-1], xs]) * 1e6   # m -> µm
        axe_mode.plot(x, np.concatenate([densite[::-1], densite]), style, color="C1",
                      label=f"{polarisation} : n_eff = {m['neff']:.4f}, Γ = {m['confinement']:.4f}")
    xs, _, ns, _, _ = profil(couches, longueur_onde, TE, modes[TE]["neff"])
    axe.plot(np.concatenate([-xs[::-1], xs]) * 1e6, np.concatenate([ns[::-1], ns]), color="C0")
    axe.set_xlabel("position (µm)")
    axe.set_ylabel("indice de réfraction", color="C0")
    axe_mode.set_ylabel("densité de puissance du mode (normalisée)", color="C1")
    axe_mode.set_ylim(0, 1.05)
    axe_mode.legend(loc="upper right", fontsize=8)
    if pile:
        bord = couches[0][1] / 2 + sum(d for _, d in couches[1:pile])
        encart = axe.inset_axes([0.04, 0.5, 0.3, 0.45])
        dedans = xs <= bord * 1.15
        x = xs[dedans] * 1e9   # m -> nm
        encart.plot(np.concatenate([-x[::-1], x]), np.concatenate([ns[dedans][::-1], ns[dedans]]), color="C0")
        encart.set_xlabel("nm", fontsize=7)
        encart.tick_params(labelsize=7)
    # Quaternary names are long: the title wraps between layers, never inside a name.
    titre = textwrap.fill(f"Guide {' / '.join(n.replace(' ', NBSP) for n in noms)} à {longueur_onde * 1e9:.1f} nm",
                          width=95, break_on_hyphens=False).replace(NBSP, " ")
    axe.set_title(titre, fontsize=9)
    fig.tight_layout()
    fig.savefig(chemin, dpi=150)
    plt.close(fig)
