cmake_policy(SET CMP0057 NEW)
# Checks the layering by text: each folder includes only its own headers and those of the
# folders below it. The build enforces the same through each library's include paths; this
# check names the offending line, and it also fails for a header reached by a relative path.
#   cmake -DSOURCE=<source folder> -P tests/couches.cmake
if(NOT SOURCE)
  message(FATAL_ERROR "SOURCE (the source folder) is required")
endif()

# The data store's wings: base/ sees only itself; no two wings of one level see each other.
set(ailes_fonctions data/catalogue data/commandes data/inventaire data/annulations data/compagnie data/comptes
    data/recherche data/soiree)
set(ailes ${ailes_fonctions} data/base data/sauvegarde data/rapports data/demonstration)
set(couches ${ailes} ui reports/core sales catalogue stock app reports)
set(permis_data/base data/base)
set(permis_data/sauvegarde data/sauvegarde data/base)
foreach(aile data/catalogue data/commandes data/inventaire data/annulations data/compagnie data/comptes)
  set(permis_${aile} ${aile} data/base)
endforeach()
set(permis_data/recherche data/recherche data/annulations data/base)
set(permis_data/soiree data/soiree data/commandes data/base)
set(permis_data/rapports data/rapports data/base ${ailes_fonctions})
set(permis_data/demonstration data/demonstration data/base ${ailes_fonctions})
# Above the store, every wing is "data".
set(permis_ui ui ${ailes})
set(permis_reports/core reports/core ${ailes})
set(permis_sales sales ui ${ailes} reports/core)
set(permis_catalogue catalogue ui ${ailes} reports/core)
set(permis_stock stock ui ${ailes} reports/core)
set(permis_app app sales catalogue stock ui ${ailes} reports/core)
set(permis_reports reports ui ${ailes} reports/core)

# Which folder owns each header name.
foreach(couche ${couches})
  file(GLOB entetes RELATIVE ${SOURCE}/${couche} ${SOURCE}/${couche}/*.h)
  foreach(entete ${entetes})
    set(proprietaire_${entete} ${couche})
  endforeach()
endforeach()

set(fautes "")
foreach(couche ${couches})
  file(GLOB fichiers ${SOURCE}/${couche}/*.h ${SOURCE}/${couche}/*.cpp)
  foreach(fichier ${fichiers})
    file(STRINGS ${fichier} lignes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(ligne ${lignes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" inclus "${ligne}")
      get_filename_component(nom ${inclus} NAME)
      if(inclus MATCHES "\\.\\./")
        list(APPEND fautes "${fichier}: ${inclus} (relative path out of its folder)")
      elseif(DEFINED proprietaire_${nom})
        if(NOT "${proprietaire_${nom}}" IN_LIST permis_${couche})
          list(APPEND fautes "${fichier}: ${inclus} belongs to ${proprietaire_${nom}}/, which ${couche}/ may not use")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(fautes)
  list(JOIN fautes "\n  " texte)
  message(FATAL_ERROR "Layering broken:\n  ${texte}")
endif()
message(STATUS "Layering holds: every include runs downwards.")
