#include "configuration/bornes.hpp"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "configuration/arret.hpp"

void refuser_bornes(const char* format, ...)
{
    std::va_list arguments, copie;
    va_start(arguments, format);
    va_copy(copie, arguments);
    const int n = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    std::string message(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    std::vsnprintf(message.data(), message.size() + 1, format, copie);
    va_end(copie);
    arreter(message);
}

void refuser_cle(const char* section, const char* cle, double valeur, const char* plage, const char* raison)
{
    refuser_bornes("Valeur hors bornes pour la clé %s [%s] : %g ; accepté : %s (%s).\n", cle, section, valeur, plage,
                   raison);
}
