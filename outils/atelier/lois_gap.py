"""Temperature laws of the band gaps in the materials library: Varshni's,
the source's coth law of GaP's Gamma gap, InP's linear X gap, or an alloy's
bowed gap as a function of T; and the Varshni law gain needs for a gap that
is not one. Energies in eV."""
import math

# Working range of the Varshni law written for a gap that is not one (K).
PLAGE_VARSHNI = (200.0, 400.0)


def loi(entree, T):
    """Gap (eV) at T (K) of one law of the library, recognised by its fields:
    Varshni Eg - alpha T^2/(beta + T) (alpha in meV/K); the coth law
    Eg + A (1 - coth(theta/T)) (A in eV, theta in K); linear Eg - pente T
    (pente in meV/K); a callable is the law itself (an alloy's bowed gap)."""
    if callable(entree):
        return entree(T)
    if "alpha" in entree:
        return entree["Eg"] - entree["alpha"] / 1000 * T * T / (entree["beta"] + T)   # meV/K -> eV/K
    if "theta" in entree:
        return entree["Eg"] + entree["A"] * (1 - 1 / math.tanh(entree["theta"] / T))
    if "pente" in entree:
        return entree["Eg"] - entree["pente"] / 1000 * T
    raise ValueError(f"loi de bande interdite inconnue : {entree}")


def loi_gamma(bib, binaire):
    """The Gamma-gap law of a binary: the source's own law where the library
    holds one in [vallees.<binary>], else its Varshni parameters."""
    propre = bib.get("vallees", {}).get(binaire, {}).get("Gamma")
    if propre is not None:
        return propre
    v = bib["binaires"][binaire]
    return {"Eg": v["Eg_Gamma"], "alpha": v["alpha_Gamma"], "beta": v["beta_Gamma"]}


def loi_vallee(bib, binaire, vallee):
    if vallee == "Gamma":
        return loi_gamma(bib, binaire)
    return bib.get("vallees", {}).get(binaire, {}).get(vallee)


def varshni_equivalente(entree, T0):
    """(Eg_0K eV, alpha eV/K, beta K) of the Varshni law that gives the law
    `entree` exactly at T0 and follows it over PLAGE_VARSHNI: for each beta
    the least-squares alpha under the constraint at T0, and the beta of
    smallest largest deviation (5 K grid, then refined). Returns also that
    largest deviation (eV)."""
    T = [PLAGE_VARSHNI[0] + i for i in range(int(PLAGE_VARSHNI[1] - PLAGE_VARSHNI[0]) + 1)]
    E0 = loi(entree, T0)
    cible = [loi(entree, t) for t in T]

    def ajuster(beta):
        g0 = T0 * T0 / (beta + T0)
        d = [g0 - t * t / (beta + t) for t in T]
        r = [c - E0 for c in cible]
        alpha = sum(a * b for a, b in zip(d, r)) / sum(a * a for a in d)
        ecart = max(abs(E0 + alpha * a - c) for a, c in zip(d, cible))
        return ecart, alpha, E0 + alpha * g0

    meilleur = min(range(5, 3001, 5), key=lambda b: ajuster(float(b))[0])
    a, b = max(meilleur - 5, 0.5), meilleur + 5.0
    for _ in range(60):   # golden section on the largest deviation
        c, d = b - (b - a) * 0.618033988749895, a + (b - a) * 0.618033988749895
        if ajuster(c)[0] < ajuster(d)[0]:
            b = d
        else:
            a = c
    beta = round(0.5 * (a + b), 3)
    ecart, alpha, Eg0 = ajuster(beta)
    return Eg0, alpha, beta, ecart
