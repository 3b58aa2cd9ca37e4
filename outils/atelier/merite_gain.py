"""The figures of merit gain computes at and above threshold, as its closing
summary prints them: differential gain, linewidth enhancement factor,
transparency, photon lifetime, and the small-signal response of the rate
equations at three drive currents. Nothing here is computed again: the
numbers are gain's.

Entry points:
    lire_ligne(ligne, m)        fills the dict m from one console line
    lignes_resume(m)            their lines of resume.txt
    figure_modulation(m)        |H(f)| at the three currents
"""
import math
import re

import numpy as np

from . import style

_NOMBRE = r"([-+0-9.eEinfa]+)"
# (pattern, keys of its numbers), in the order gain prints them.
_LIGNES = (
    (rf"gain différentiel dg/dN : {_NOMBRE} cm² \(gain matériau (TE|TM) à {_NOMBRE} meV, entre {_NOMBRE} "
     rf"et {_NOMBRE} cm-3\)", ("dg_dN_cm2", "mode", "E_laser_meV", "N_avant_cm3", "N_seuil_cm3")),
    (rf"gain différentiel dg/dJ : {_NOMBRE} cm/A", ("dg_dJ_cm_A",)),
    (rf"alpha_H : {_NOMBRE} \(dn/dN = {_NOMBRE} cm³, Kramers-Kronig du changement de gain de {_NOMBRE} à "
     rf"{_NOMBRE} meV\)", ("alpha_H", "dn_dN_cm3", "E_debut_KK_meV", "E_fin_KK_meV")),
    (rf"densité de transparence Ntr : {_NOMBRE} cm-3", ("Ntr_cm3",)),
    (rf"densité de courant de transparence Jtr : {_NOMBRE} A/cm² \(courant {_NOMBRE} mA\)", ("Jtr_A_cm2", "Itr_mA")),
    (rf"durée de vie des photons : {_NOMBRE} s \(indice de groupe {_NOMBRE}\)", ("tau_p_s", "indice_groupe")),
    (rf"compression du gain {_NOMBRE} cm³\) :", ("compression_cm3",)),
    (rf"facteur K : {_NOMBRE} ns ; taux de recombinaison différentiel des porteurs : {_NOMBRE} ns-1",
     ("K_ns", "gamma0_ns1")),
    (rf"facteur D : {_NOMBRE} GHz/mA\^1/2 ; bande passante maximale \(limitée par l'amortissement\) : "
     rf"{_NOMBRE} GHz", ("D_GHz_mA", "f_max_GHz")),
)
_POINT = re.compile(rf"à {_NOMBRE} × Ith \({_NOMBRE} mA\) : fr = {_NOMBRE} GHz, amortissement {_NOMBRE} ns-1, "
                    rf"bande passante à -3 dB {_NOMBRE} GHz")
_MOTIFS = tuple((re.compile(m), cles) for m, cles in _LIGNES)


def lire_ligne(ligne, m):
    """Fills m (a dict) from one line of the closing summary; False when the
    line is none of them. The small-signal points go into m["points"]."""
    if p := _POINT.search(ligne):
        m.setdefault("points", []).append(dict(zip(("multiple", "I_mA", "f_r_GHz", "gamma_ns1", "f_3dB_GHz"),
                                                   (float(v) for v in p.groups()))))
        return True
    for motif, cles in _MOTIFS:
        if t := motif.search(ligne):
            m.update({c: (v if c == "mode" else float(v)) for c, v in zip(cles, t.groups())})
            return True
    if "indisponible" in ligne and ("gain différentiel" in ligne or "transparence" in ligne
                                    or ligne.startswith("Réponse petit signal")):
        m.setdefault("indisponibles", []).append(ligne.strip())
        return True
    return False


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

    lignes = ["", "Au-delà du seuil (calculé par gain, résumé de la console) :"]
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
