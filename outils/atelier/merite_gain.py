"""The figures of merit gain computes at and above threshold, as its run
record holds them: differential gain, linewidth enhancement factor,
transparency, photon lifetime, and the small-signal response of the rate
equations at three drive currents. Nothing here is computed again: the
numbers are gain's.

Entry points:
    depuis_resultats(r)         the figures of a run record, as one dict
    lignes_resume(m)            their lines of resume.txt
    figure_modulation(m)        |H(f)| at the three currents
"""
import math

import numpy as np

from . import style


def _indisponibles(f, mod):
    """What gain could not form, said as its summary says it."""
    raisons = []
    if not f.get("differentielles"):
        raisons.append("gain différentiel et alpha_H : indisponibles (" +
                       ("seuil atteint à la première densité de la série : pas de densité sous le seuil"
                        if f.get("E_laser_meV", 0) > 0 else "spectre vide") + ")")
    if not f.get("transparence"):
        raisons.append("transparence : indisponible (" +
                       ("gain modal maximal déjà positif à la première densité : commencez la série plus bas"
                        if f.get("transparence_des_le_debut")
                        else "le gain modal maximal ne passe pas par zéro avant le seuil") + ")")
    if mod is None:
        raisons.append("Réponse petit signal : indisponible (il faut un gain différentiel positif au seuil).")
    return raisons


def depuis_resultats(r):
    """The figures of merit of the record r (resultats.lire_resultats), with
    the small-signal response and its points; {} below threshold."""
    f, mod = r.get("merite"), r.get("modulation")
    if not f:
        return {}
    m = {c: v for c, v in f.items() if v is not None and not isinstance(v, bool)}
    if mod is not None:
        m.update({c: v for c, v in mod.items() if c != "points"})
        m["points"] = [dict(p) for p in mod["points"]]
    if raisons := _indisponibles(f, mod):
        m["indisponibles"] = raisons
    return m


def module_H(f_GHz, point):
    """|H(f)| of the two-pole response gain gives, H = f_r² / (f_r² − f² + i f γ/2π)."""
    fr, gamma = point["f_r_GHz"], point["gamma_ns1"] / (2 * math.pi)  # ns^-1 -> GHz
    return fr**2 / np.hypot(fr**2 - f_GHz**2, f_GHz * gamma)


def lignes_resume(m):
    """The lines of resume.txt; none when gain printed none (below threshold)."""
    if not m:
        return []
    def l(titre, texte):
        return f"{titre:<34}: {texte}"

    lignes = ["", "Au-delà du seuil (calculé par gain, fichier des résultats) :"]
    if "dg_dN_cm2" in m:
        lignes += [
            l("Gain différentiel dg/dN", f"{m['dg_dN_cm2']:.4g} cm² (gain matériau {m['mode']} à {m['E_laser_meV']:.1f} "
              f"meV, entre {m['N_avant_cm3']:.4g} et {m['N_seuil_cm3']:.4g} cm⁻³)"),
            l("Gain différentiel dg/dJ", f"{m['dg_dJ_cm_A']:.4g} cm/A"),
            l("Facteur alpha_H (phase-amplitude)", f"{m['alpha_H']:.3f} (dn/dN = {m['dn_dN_cm3']:.4g} cm³, Kramers-Kronig de "
              f"{m['E_debut_KK_meV']:.0f} à {m['E_fin_KK_meV']:.0f} meV)")]
    if "Ntr_cm3" in m:
        lignes += [l("Transparence (série de gain)", f"Ntr = {m['Ntr_cm3']:.4g} cm⁻³, Jtr = {m['Jtr_A_cm2']:.2f} A/cm² "
                     f"({m['Itr_mA']:.2f} mA), gain modal maximal nul")]
    if "tau_p_s" in m:
        lignes += [l("Durée de vie des photons", f"{m['tau_p_s'] * 1e12:.3f} ps (indice de groupe {m['indice_groupe']:g})")]
    if "K_ns" in m:
        lignes += [
            l("Facteur K", f"{m['K_ns']:.4g} ns (compression du gain {m['compression_cm3']:g} cm³)"),
            l("Facteur D", f"{m['D_GHz_mA']:.4g} GHz/√mA ; bande passante maximale {m['f_max_GHz']:.3g} GHz")]
        for p in m.get("points", []):
            lignes.append(l(f"À {p['multiple']:g} × Ith ({p['I_mA']:.1f} mA)",
                            f"fr = {p['f_r_GHz']:.3f} GHz, γ = {p['gamma_ns1']:.3f} ns⁻¹, "
                            f"bande à −3 dB {p['f_3dB_GHz']:.3f} GHz"))
    lignes += [f"  {t}" for t in m.get("indisponibles", [])]
    return lignes


def figure_modulation(m):
    """7_reponse_modulation: |H(f)| in dB at the three currents of gain's summary."""
    points = m["points"]
    fig = style.nouvelle_figure(5.5, 3.8)
    ax = fig.subplots()
    f = np.linspace(0, 1.6 * max(p["f_3dB_GHz"] for p in points), 800)[1:]
    for p, teinte in zip(points, ("#1f5fa8", "#2a8a4a", "#b5481d")):
        ax.plot(f, 20 * np.log10(module_H(f, p)), color=teinte, gid="reponse",
                label=f"{p['multiple']:g} × Ith ({p['I_mA']:.0f} mA) : $f_r$ = {p['f_r_GHz']:.2f} GHz, "
                      f"$f_{{3dB}}$ = {p['f_3dB_GHz']:.2f} GHz")
        ax.plot(p["f_3dB_GHz"], -10 * math.log10(2), "o", ms=3, color=teinte)
    ax.axhline(-10 * math.log10(2), color="#999999", lw=0.6, ls=":")
    ax.set_xlabel("fréquence de modulation (GHz)")
    ax.set_ylabel("|H(f)| (dB)")
    ax.set_ylim(-20, None)
    ax.legend(loc="upper right")
    ax.set_title(f"Réponse petit signal (facteur K = {m['K_ns']:.3g} ns, compression {m['compression_cm3']:g} cm³)")
    return fig
