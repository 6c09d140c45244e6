// The generator's name and place pools. Spellings are ordinary ones found
// in parish registers and civil records of each country; the ASCII forms
// are the usual transliterations (diacritics dropped, Japanese in romaji).
#include "name_pools.h"

namespace kinsheet::gedgen {
namespace {

// English -----------------------------------------------------------------
constexpr Spelling kEnglishMale[] = {
    {"John"},   {"William"}, {"Thomas"},    {"James"},  {"George"},
    {"Henry"},  {"Charles"}, {"Richard"},   {"Robert"}, {"Edward"},
    {"Samuel"}, {"Joseph"},  {"Benjamin"},  {"Alfred"}, {"Arthur"},
    {"Walter"}, {"Albert"},  {"Frederick"}, {"Josiah"}, {"Ebenezer"}};
constexpr Spelling kEnglishFemale[] = {
    {"Mary"},      {"Elizabeth"}, {"Sarah"},      {"Ann"},
    {"Jane"},      {"Margaret"},  {"Martha"},     {"Emily"},
    {"Alice"},     {"Eliza"},     {"Hannah"},     {"Susannah"},
    {"Charlotte"}, {"Edith"},     {"Florence"},   {"Harriet"},
    {"Ada"},       {"Lucy"},      {"Zoë", "Zoe"}, {"Renée", "Renee"}};
constexpr Spelling kEnglishSurnames[] = {
    {"Smith"},    {"Jones"},   {"Taylor"}, {"Brown"},    {"Williams"},
    {"Wilson"},   {"Johnson"}, {"Davies"}, {"Robinson"}, {"Wright"},
    {"Thompson"}, {"Evans"},   {"Walker"}, {"White"},    {"Roberts"},
    {"Green"},    {"Hall"},    {"Wood"},   {"Jackson"},  {"Clarke"},
    {"Hughes"},   {"Edwards"}, {"Turner"}, {"Cooper"},   {"Harris"},
    {"Baker"},    {"Ward"},    {"Morris"}, {"King"},     {"Ashworth-Hale"}};
constexpr Spelling kEnglishPlaces[] = {{"London, Middlesex, England"},
                                       {"Manchester, Lancashire, England"},
                                       {"Leeds, Yorkshire, England"},
                                       {"Bristol, Gloucestershire, England"},
                                       {"Norwich, Norfolk, England"},
                                       {"St Mary's, Dover, Kent, England"},
                                       {"Bath, Somerset, England"},
                                       {"Boston, Suffolk, Massachusetts, USA"},
                                       {"Philadelphia, Pennsylvania, USA"},
                                       {"Richmond, Henrico, Virginia, USA"},
                                       {"Hartford, Connecticut, USA"},
                                       {"Charleston, South Carolina, USA"},
                                       {"Sydney, New South Wales, Australia"},
                                       {"Toronto, York, Ontario, Canada"}};

// Irish -------------------------------------------------------------------
constexpr Spelling kIrishMale[] = {
    {"Patrick"},   {"Michael"},     {"John"},         {"Thomas"},
    {"James"},     {"Daniel"},      {"Timothy"},      {"Denis"},
    {"Cornelius"}, {"Bartholomew"}, {"Seán", "Sean"}, {"Pádraig", "Padraig"},
    {"Eoin"},      {"Cathal"}};
constexpr Spelling kIrishFemale[] = {{"Mary"},
                                     {"Bridget"},
                                     {"Catherine"},
                                     {"Margaret"},
                                     {"Ellen"},
                                     {"Honora"},
                                     {"Johanna"},
                                     {"Julia"},
                                     {"Nora"},
                                     {"Síle", "Sile"},
                                     {"Máire", "Maire"},
                                     {"Áine", "Aine"},
                                     {"Siobhán", "Siobhan"},
                                     {"Eibhlín", "Eibhlin"}};
constexpr Spelling kIrishSurnames[] = {{"Murphy"},
                                       {"Kelly"},
                                       {"O'Sullivan"},
                                       {"Walsh"},
                                       {"O'Brien"},
                                       {"Byrne"},
                                       {"Ryan"},
                                       {"O'Connor"},
                                       {"O'Neill"},
                                       {"O'Reilly"},
                                       {"Doyle"},
                                       {"McCarthy"},
                                       {"Gallagher"},
                                       {"O'Doherty"},
                                       {"Kennedy"},
                                       {"Lynch"},
                                       {"Murray"},
                                       {"Quinn"},
                                       {"McLoughlin"},
                                       {"Ó Súilleabháin", "O Suilleabhain"},
                                       {"Mac Cárthaigh", "Mac Carthaigh"},
                                       {"Ó Briain", "O Briain"}};
constexpr Spelling kIrishPlaces[] = {
    {"Cork, County Cork, Ireland"},
    {"Skibbereen, County Cork, Ireland"},
    {"Galway, County Galway, Ireland"},
    {"Dublin, County Dublin, Ireland"},
    {"Limerick, County Limerick, Ireland"},
    {"Killarney, County Kerry, Ireland"},
    {"Sligo, County Sligo, Ireland"},
    {"Ennis, County Clare, Ireland"},
    {"Baile Átha Cliath, Éire", "Baile Atha Cliath, Eire"},
    {"Dún Laoghaire, County Dublin, Ireland",
     "Dun Laoghaire, County Dublin, Ireland"}};

// German ------------------------------------------------------------------
constexpr Spelling kGermanMale[] = {{"Johann"},
                                    {"Friedrich"},
                                    {"Wilhelm"},
                                    {"Heinrich"},
                                    {"Karl"},
                                    {"Georg"},
                                    {"Jürgen", "Juergen"},
                                    {"Günther", "Guenther"},
                                    {"Matthäus", "Matthaeus"},
                                    {"Ludwig"},
                                    {"Ernst"},
                                    {"Hermann"},
                                    {"Otto"},
                                    {"Franz"},
                                    {"Jörg", "Joerg"},
                                    {"Gottlieb"}};
constexpr Spelling kGermanFemale[] = {
    {"Anna"},         {"Maria"},           {"Elisabeth"},
    {"Katharina"},    {"Margaretha"},      {"Sophie"},
    {"Dorothea"},     {"Käthe", "Kaethe"}, {"Bärbel", "Baerbel"},
    {"Christina"},    {"Luise"},           {"Wilhelmine"},
    {"Ursula"},       {"Gertrud"},         {"Jutta"},
    {"Änne", "Aenne"}};
constexpr Spelling kGermanSurnames[] = {{"Müller", "Mueller"},
                                        {"Schmidt"},
                                        {"Schneider"},
                                        {"Fischer"},
                                        {"Weber"},
                                        {"Meyer"},
                                        {"Wagner"},
                                        {"Becker"},
                                        {"Schulz"},
                                        {"Hoffmann"},
                                        {"Schäfer", "Schaefer"},
                                        {"Koch"},
                                        {"Bauer"},
                                        {"Richter"},
                                        {"Klein"},
                                        {"Wolf"},
                                        {"Schröder", "Schroeder"},
                                        {"Neumann"},
                                        {"Schwarz"},
                                        {"Zimmermann"},
                                        {"Braun"},
                                        {"Krüger", "Krueger"},
                                        {"Hartmann"},
                                        {"Weiß", "Weiss"},
                                        {"Groß", "Gross"},
                                        {"Köhler", "Koehler"},
                                        {"Lößner", "Loessner"},
                                        {"von Bülow", "von Buelow"},
                                        {"zur Mühlen", "zur Muehlen"}};
constexpr Spelling kGermanPlaces[] = {
    {"München, Bayern, Deutschland", "Muenchen, Bayern, Deutschland"},
    {"Köln, Rheinland, Deutschland", "Koeln, Rheinland, Deutschland"},
    {"Nürnberg, Bayern, Deutschland", "Nuernberg, Bayern, Deutschland"},
    {"Düsseldorf, Rheinland, Deutschland",
     "Duesseldorf, Rheinland, Deutschland"},
    {"Hamburg, Hamburg, Deutschland"},
    {"Lübeck, Schleswig-Holstein, Deutschland",
     "Luebeck, Schleswig-Holstein, Deutschland"},
    {"Göttingen, Niedersachsen, Deutschland",
     "Goettingen, Niedersachsen, Deutschland"},
    {"Würzburg, Unterfranken, Bayern, Deutschland",
     "Wuerzburg, Unterfranken, Bayern, Deutschland"},
    {"Braunschweig, Niedersachsen, Deutschland"},
    {"Straßburg, Elsass", "Strassburg, Elsass"},
    {"Osnabrück, Hannover, Preußen", "Osnabrueck, Hannover, Preussen"},
    {"Mühlhausen, Thüringen, Deutschland",
     "Muehlhausen, Thueringen, Deutschland"},
    {"Königsberg, Ostpreußen, Preußen", "Koenigsberg, Ostpreussen, Preussen"},
    {"Stuttgart, Württemberg, Deutschland",
     "Stuttgart, Wuerttemberg, Deutschland"}};

// Dutch -------------------------------------------------------------------
constexpr Spelling kDutchMale[] = {
    {"Jan"},      {"Pieter"}, {"Cornelis"}, {"Hendrik"}, {"Willem"},
    {"Johannes"}, {"Gerrit"}, {"Dirk"},     {"Jacobus"}, {"Klaas"},
    {"Adriaan"},  {"Teunis"}, {"Arie"},     {"Sjoerd"}};
constexpr Spelling kDutchFemale[] = {
    {"Maria"},    {"Johanna"},    {"Anna"},       {"Cornelia"}, {"Elisabeth"},
    {"Hendrika"}, {"Geertruida"}, {"Wilhelmina"}, {"Grietje"},  {"Aaltje"},
    {"Neeltje"},  {"Jannetje"},   {"Trijntje"}};
constexpr Spelling kDutchSurnames[] = {
    {"van den Berg"}, {"de Vries"},    {"van Dijk"}, {"Jansen"},  {"de Jong"},
    {"Bakker"},       {"Visser"},      {"Smit"},     {"Meijer"},  {"de Boer"},
    {"Mulder"},       {"de Groot"},    {"Bos"},      {"Vos"},     {"Peters"},
    {"Hendriks"},     {"van Leeuwen"}, {"Dekker"},   {"Brouwer"}, {"de Wit"},
    {"van der Meer"}, {"ter Horst"}};
constexpr Spelling kDutchPlaces[] = {
    {"Amsterdam, Noord-Holland, Nederland"},
    {"Rotterdam, Zuid-Holland, Nederland"},
    {"Utrecht, Utrecht, Nederland"},
    {"Groningen, Groningen, Nederland"},
    {"Leeuwarden, Friesland, Nederland"},
    {"'s-Hertogenbosch, Noord-Brabant, Nederland"},
    {"Middelburg, Zeeland, Nederland"},
    {"Zwolle, Overijssel, Nederland"},
    {"Arnhem, Gelderland, Nederland"},
    {"Maastricht, Limburg, Nederland"}};

// French ------------------------------------------------------------------
constexpr Spelling kFrenchMale[] = {{"Jean"},
                                    {"Pierre"},
                                    {"Louis"},
                                    {"François", "Francois"},
                                    {"Jacques"},
                                    {"Joseph"},
                                    {"Antoine"},
                                    {"Étienne", "Etienne"},
                                    {"Nicolas"},
                                    {"Michel"},
                                    {"René", "Rene"},
                                    {"André", "Andre"},
                                    {"Honoré", "Honore"},
                                    {"Noël", "Noel"},
                                    {"Jean-Baptiste"}};
constexpr Spelling kFrenchFemale[] = {{"Marie"},
                                      {"Jeanne"},
                                      {"Marguerite"},
                                      {"Anne"},
                                      {"Françoise", "Francoise"},
                                      {"Catherine"},
                                      {"Louise"},
                                      {"Madeleine"},
                                      {"Geneviève", "Genevieve"},
                                      {"Élisabeth", "Elisabeth"},
                                      {"Hélène", "Helene"},
                                      {"Thérèse", "Therese"},
                                      {"Céline", "Celine"},
                                      {"Joséphine", "Josephine"},
                                      {"Marie-Anne"}};
constexpr Spelling kFrenchSurnames[] = {{"Martin"},
                                        {"Bernard"},
                                        {"Dubois"},
                                        {"Thomas"},
                                        {"Robert"},
                                        {"Richard"},
                                        {"Petit"},
                                        {"Durand"},
                                        {"Leroy"},
                                        {"Moreau"},
                                        {"Simon"},
                                        {"Laurent"},
                                        {"Lefèbvre", "Lefebvre"},
                                        {"Michel"},
                                        {"Garnier"},
                                        {"Rousseau"},
                                        {"Fournier"},
                                        {"Girard"},
                                        {"Bonnet"},
                                        {"Dupont"},
                                        {"Lambert"},
                                        {"Fontaine"},
                                        {"Chevalier"},
                                        {"Mercier"},
                                        {"Lebœuf", "Leboeuf"},
                                        {"Gauthier"},
                                        {"Faure"},
                                        {"Bélanger", "Belanger"},
                                        {"Côté", "Cote"},
                                        {"Gagné", "Gagne"}};
constexpr Spelling kFrenchPlaces[] = {
    {"Paris, Seine, France"},
    {"Lyon, Rhône, France", "Lyon, Rhone, France"},
    {"Marseille, Bouches-du-Rhône, France",
     "Marseille, Bouches-du-Rhone, France"},
    {"Besançon, Doubs, France", "Besancon, Doubs, France"},
    {"Orléans, Loiret, France", "Orleans, Loiret, France"},
    {"Nîmes, Gard, France", "Nimes, Gard, France"},
    {"Angoulême, Charente, France", "Angouleme, Charente, France"},
    {"Cœuvres, Aisne, France", "Coeuvres, Aisne, France"},
    {"Saint-Étienne, Loire, France", "Saint-Etienne, Loire, France"},
    {"Rouen, Seine-Inférieure, France", "Rouen, Seine-Inferieure, France"},
    {"Québec, Québec, Canada", "Quebec, Quebec, Canada"},
    {"Trois-Rivières, Québec, Canada", "Trois-Rivieres, Quebec, Canada"}};

// Italian -----------------------------------------------------------------
constexpr Spelling kItalianMale[] = {{"Giuseppe"},
                                     {"Giovanni"},
                                     {"Antonio"},
                                     {"Francesco"},
                                     {"Luigi"},
                                     {"Mario"},
                                     {"Angelo"},
                                     {"Vincenzo"},
                                     {"Pietro"},
                                     {"Salvatore"},
                                     {"Carlo"},
                                     {"Domenico"},
                                     {"Niccolò", "Niccolo"},
                                     {"Nicola"}};
constexpr Spelling kItalianFemale[] = {
    {"Maria"},     {"Anna"},     {"Giuseppina"}, {"Rosa"},    {"Angela"},
    {"Giovanna"},  {"Teresa"},   {"Lucia"},      {"Carmela"}, {"Caterina"},
    {"Francesca"}, {"Concetta"}, {"Assunta"},    {"Filomena"}};
constexpr Spelling kItalianSurnames[] = {{"Rossi"},    {"Russo"},
                                         {"Ferrari"},  {"Esposito"},
                                         {"Bianchi"},  {"Romano"},
                                         {"Colombo"},  {"Ricci"},
                                         {"Marino"},   {"Greco"},
                                         {"Bruno"},    {"Gallo"},
                                         {"Conti"},    {"De Luca"},
                                         {"Mancini"},  {"Costa"},
                                         {"Giordano"}, {"Rizzo"},
                                         {"Lombardi"}, {"Moretti"},
                                         {"Barbieri"}, {"Fontana"},
                                         {"Santoro"},  {"Caruso"},
                                         {"D'Angelo"}, {"Niccolò", "Niccolo"}};
constexpr Spelling kItalianPlaces[] = {
    {"Napoli, Campania, Italia"},
    {"Palermo, Sicilia, Italia"},
    {"Roma, Lazio, Italia"},
    {"Milano, Lombardia, Italia"},
    {"Torino, Piemonte, Italia"},
    {"Bari, Puglia, Italia"},
    {"Forlì, Emilia-Romagna, Italia", "Forli, Emilia-Romagna, Italia"},
    {"Cantù, Como, Lombardia, Italia", "Cantu, Como, Lombardia, Italia"},
    {"Genova, Liguria, Italia"},
    {"Cefalù, Palermo, Sicilia, Italia", "Cefalu, Palermo, Sicilia, Italia"},
    {"Firenze, Toscana, Italia"},
    {"Venezia, Veneto, Italia"}};

// Spanish -----------------------------------------------------------------
constexpr Spelling kSpanishMale[] = {{"José", "Jose"},
                                     {"Juan"},
                                     {"Francisco"},
                                     {"Antonio"},
                                     {"Manuel"},
                                     {"Pedro"},
                                     {"Luis"},
                                     {"Miguel"},
                                     {"Ramón", "Ramon"},
                                     {"Joaquín", "Joaquin"},
                                     {"Andrés", "Andres"},
                                     {"Jesús", "Jesus"},
                                     {"José María", "Jose Maria"}};
constexpr Spelling kSpanishFemale[] = {
    {"María", "Maria"},
    {"Carmen"},
    {"Josefa"},
    {"Isabel"},
    {"Dolores"},
    {"Ana"},
    {"Francisca"},
    {"Antonia"},
    {"Teresa"},
    {"Concepción", "Concepcion"},
    {"Pilar"},
    {"Mercedes"},
    {"María del Carmen", "Maria del Carmen"}};
constexpr Spelling kSpanishSurnames[] = {{"García", "Garcia"},
                                         {"Fernández", "Fernandez"},
                                         {"González", "Gonzalez"},
                                         {"Rodríguez", "Rodriguez"},
                                         {"López", "Lopez"},
                                         {"Martínez", "Martinez"},
                                         {"Sánchez", "Sanchez"},
                                         {"Pérez", "Perez"},
                                         {"Gómez", "Gomez"},
                                         {"Martín", "Martin"},
                                         {"Jiménez", "Jimenez"},
                                         {"Ruiz"},
                                         {"Hernández", "Hernandez"},
                                         {"Díaz", "Diaz"},
                                         {"Moreno"},
                                         {"Muñoz", "Munoz"},
                                         {"Álvarez", "Alvarez"},
                                         {"Romero"},
                                         {"Navarro"},
                                         {"Torres"},
                                         {"de la Cruz"},
                                         {"del Río", "del Rio"},
                                         {"Ibáñez", "Ibanez"}};
constexpr Spelling kSpanishPlaces[] = {
    {"Sevilla, Andalucía, España", "Sevilla, Andalucia, Espana"},
    {"Málaga, Andalucía, España", "Malaga, Andalucia, Espana"},
    {"Córdoba, Andalucía, España", "Cordoba, Andalucia, Espana"},
    {"Madrid, Madrid, España", "Madrid, Madrid, Espana"},
    {"Valencia, Valencia, España", "Valencia, Valencia, Espana"},
    {"Zaragoza, Aragón, España", "Zaragoza, Aragon, Espana"},
    {"Cádiz, Andalucía, España", "Cadiz, Andalucia, Espana"},
    {"Ávila, Castilla la Vieja, España", "Avila, Castilla la Vieja, Espana"},
    {"Logroño, La Rioja, España", "Logrono, La Rioja, Espana"},
    {"Guadalajara, Jalisco, México", "Guadalajara, Jalisco, Mexico"},
    {"Mérida, Yucatán, México", "Merida, Yucatan, Mexico"},
    {"Puebla, Puebla, México", "Puebla, Puebla, Mexico"}};

// Polish ------------------------------------------------------------------
constexpr Spelling kPolishMale[] = {{"Jan"},
                                    {"Stanisław", "Stanislaw"},
                                    {"Józef", "Jozef"},
                                    {"Andrzej"},
                                    {"Tadeusz"},
                                    {"Kazimierz"},
                                    {"Władysław", "Wladyslaw"},
                                    {"Łukasz", "Lukasz"},
                                    {"Michał", "Michal"},
                                    {"Wojciech"},
                                    {"Piotr"},
                                    {"Franciszek"},
                                    {"Jerzy"},
                                    {"Zbigniew"}};
constexpr Spelling kPolishFemale[] = {{"Maria"},
                                      {"Anna"},
                                      {"Zofia"},
                                      {"Katarzyna"},
                                      {"Małgorzata", "Malgorzata"},
                                      {"Agnieszka"},
                                      {"Jadwiga"},
                                      {"Barbara"},
                                      {"Elżbieta", "Elzbieta"},
                                      {"Helena"},
                                      {"Józefa", "Jozefa"},
                                      {"Stanisława", "Stanislawa"},
                                      {"Bożena", "Bozena"},
                                      {"Wanda"}};
constexpr Spelling kPolishSurnames[] = {{"Nowak"},
                                        {"Kowalski"},
                                        {"Wiśniewski", "Wisniewski"},
                                        {"Wójcik", "Wojcik"},
                                        {"Kowalczyk"},
                                        {"Kamiński", "Kaminski"},
                                        {"Lewandowski"},
                                        {"Zieliński", "Zielinski"},
                                        {"Szymański", "Szymanski"},
                                        {"Woźniak", "Wozniak"},
                                        {"Dąbrowski", "Dabrowski"},
                                        {"Kozłowski", "Kozlowski"},
                                        {"Jankowski"},
                                        {"Mazur"},
                                        {"Kwiatkowski"},
                                        {"Krawczyk"},
                                        {"Piotrowski"},
                                        {"Grabowski"},
                                        {"Pawłowski", "Pawlowski"},
                                        {"Michalski"},
                                        {"Król", "Krol"},
                                        {"Wieczorek"},
                                        {"Jabłoński", "Jablonski"},
                                        {"Wróbel", "Wrobel"},
                                        {"Zając", "Zajac"},
                                        {"Górski", "Gorski"},
                                        {"Sikora"},
                                        {"Bąk", "Bak"},
                                        {"Sadowski"},
                                        {"Gródecki", "Grodecki"}};
constexpr Spelling kPolishPlaces[] = {
    {"Kraków, małopolskie, Polska", "Krakow, malopolskie, Polska"},
    {"Warszawa, mazowieckie, Polska"},
    {"Łódź, łódzkie, Polska", "Lodz, lodzkie, Polska"},
    {"Wrocław, dolnośląskie, Polska", "Wroclaw, dolnoslaskie, Polska"},
    {"Poznań, wielkopolskie, Polska", "Poznan, wielkopolskie, Polska"},
    {"Gdańsk, pomorskie, Polska", "Gdansk, pomorskie, Polska"},
    {"Lublin, lubelskie, Polska"},
    {"Białystok, podlaskie, Polska", "Bialystok, podlaskie, Polska"},
    {"Częstochowa, śląskie, Polska", "Czestochowa, slaskie, Polska"},
    {"Tarnów, małopolskie, Polska", "Tarnow, malopolskie, Polska"},
    {"Rzeszów, podkarpackie, Polska", "Rzeszow, podkarpackie, Polska"},
    {"Toruń, kujawsko-pomorskie, Polska", "Torun, kujawsko-pomorskie, Polska"}};

// Czech -------------------------------------------------------------------
constexpr Spelling kCzechMale[] = {{"Jan"},
                                   {"Josef"},
                                   {"František", "Frantisek"},
                                   {"Václav", "Vaclav"},
                                   {"Jiří", "Jiri"},
                                   {"Karel"},
                                   {"Antonín", "Antonin"},
                                   {"Jaroslav"},
                                   {"Vojtěch", "Vojtech"},
                                   {"Tomáš", "Tomas"},
                                   {"Stanislav"},
                                   {"Miroslav"},
                                   {"Bedřich", "Bedrich"},
                                   {"Oldřich", "Oldrich"}};
constexpr Spelling kCzechFemale[] = {{"Marie"},
                                     {"Anna"},
                                     {"Božena", "Bozena"},
                                     {"Ludmila"},
                                     {"Jana"},
                                     {"Věra", "Vera"},
                                     {"Alžběta", "Alzbeta"},
                                     {"Marta"},
                                     {"Zdeňka", "Zdenka"},
                                     {"Anežka", "Anezka"},
                                     {"Jarmila"},
                                     {"Libuše", "Libuse"},
                                     {"Hana"},
                                     {"Kateřina", "Katerina"}};
constexpr Spelling kCzechSurnames[] = {{"Novák", "Novak"},
                                       {"Svoboda"},
                                       {"Novotný", "Novotny"},
                                       {"Dvořák", "Dvorak"},
                                       {"Černý", "Cerny"},
                                       {"Procházka", "Prochazka"},
                                       {"Kučera", "Kucera"},
                                       {"Veselý", "Vesely"},
                                       {"Horák", "Horak"},
                                       {"Němec", "Nemec"},
                                       {"Pokorný", "Pokorny"},
                                       {"Marek"},
                                       {"Pospíšil", "Pospisil"},
                                       {"Hájek", "Hajek"},
                                       {"Král", "Kral"},
                                       {"Jelínek", "Jelinek"},
                                       {"Růžička", "Ruzicka"},
                                       {"Beneš", "Benes"},
                                       {"Fiala"},
                                       {"Šimek", "Simek"},
                                       {"Žižka", "Zizka"},
                                       {"Šťastný", "Stastny"},
                                       {"Štěpánek", "Stepanek"},
                                       {"Kovář", "Kovar"}};
constexpr Spelling kCzechPlaces[] = {
    {"Praha, Čechy", "Praha, Cechy"},
    {"Brno, Morava", "Brno, Morava"},
    {"Plzeň, Čechy", "Plzen, Cechy"},
    {"Olomouc, Morava"},
    {"České Budějovice, Čechy", "Ceske Budejovice, Cechy"},
    {"Tábor, Čechy", "Tabor, Cechy"},
    {"Kutná Hora, Čechy", "Kutna Hora, Cechy"},
    {"Jihlava, Morava"},
    {"Znojmo, Morava"},
    {"Třebíč, Morava", "Trebic, Morava"}};

// Swedish -----------------------------------------------------------------
constexpr Spelling kSwedishMale[] = {
    {"Johan"}, {"Carl"},       {"Erik"},           {"Lars"},   {"Anders"},
    {"Per"},   {"Nils"},       {"Olof"},           {"Gustaf"}, {"Sven"},
    {"Karl"},  {"Åke", "Ake"}, {"Göran", "Goran"}, {"Magnus"}};
constexpr Spelling kSwedishFemale[] = {
    {"Maria"},          {"Anna"},  {"Kristina"}, {"Margareta"}, {"Elisabet"},
    {"Karin"},          {"Brita"}, {"Ingrid"},   {"Sara"},      {"Greta"},
    {"Märta", "Marta"}, {"Ulla"},  {"Birgitta"}, {"Signe"}};
constexpr Spelling kSwedishSurnames[] = {{"Andersson"},
                                         {"Johansson"},
                                         {"Karlsson"},
                                         {"Nilsson"},
                                         {"Eriksson"},
                                         {"Larsson"},
                                         {"Olsson"},
                                         {"Persson"},
                                         {"Svensson"},
                                         {"Gustafsson"},
                                         {"Pettersson"},
                                         {"Jonsson"},
                                         {"Lindström", "Lindstrom"},
                                         {"Lindqvist"},
                                         {"Bergström", "Bergstrom"},
                                         {"Åström", "Astrom"},
                                         {"Öberg", "Oberg"},
                                         {"Sjöberg", "Sjoberg"},
                                         {"Håkansson", "Hakansson"},
                                         {"Löfgren", "Lofgren"},
                                         {"Ångström", "Angstrom"},
                                         {"Björk", "Bjork"}};
constexpr Spelling kSwedishPlaces[] = {
    {"Stockholm, Uppland, Sverige"},
    {"Göteborg, Västergötland, Sverige", "Goteborg, Vastergotland, Sverige"},
    {"Malmö, Skåne, Sverige", "Malmo, Skane, Sverige"},
    {"Uppsala, Uppland, Sverige"},
    {"Västerås, Västmanland, Sverige", "Vasteras, Vastmanland, Sverige"},
    {"Örebro, Närke, Sverige", "Orebro, Narke, Sverige"},
    {"Linköping, Östergötland, Sverige", "Linkoping, Ostergotland, Sverige"},
    {"Jönköping, Småland, Sverige", "Jonkoping, Smaland, Sverige"},
    {"Umeå, Västerbotten, Sverige", "Umea, Vasterbotten, Sverige"},
    {"Falun, Dalarna, Sverige"},
    {"Växjö, Kronoberg, Sverige", "Vaxjo, Kronoberg, Sverige"}};

// Japanese ----------------------------------------------------------------
constexpr Spelling kJapaneseMale[] = {
    {"太郎", "Taro"},   {"一郎", "Ichiro"}, {"健", "Ken"},
    {"誠", "Makoto"},   {"浩", "Hiroshi"},  {"清", "Kiyoshi"},
    {"茂", "Shigeru"},  {"正雄", "Masao"},  {"勇", "Isamu"},
    {"三郎", "Saburo"}, {"武", "Takeshi"},  {"秀樹", "Hideki"}};
constexpr Spelling kJapaneseFemale[] = {
    {"花子", "Hanako"},    {"幸子", "Sachiko"},  {"和子", "Kazuko"},
    {"節子", "Setsuko"},   {"洋子", "Yoko"},     {"久子", "Hisako"},
    {"美智子", "Michiko"}, {"恵子", "Keiko"},    {"春子", "Haruko"},
    {"千代", "Chiyo"},     {"さくら", "Sakura"}, {"ハナ", "Hana"}};
constexpr Spelling kJapaneseSurnames[] = {
    {"佐藤", "Sato"},     {"鈴木", "Suzuki"},   {"高橋", "Takahashi"},
    {"田中", "Tanaka"},   {"伊藤", "Ito"},      {"渡辺", "Watanabe"},
    {"山本", "Yamamoto"}, {"中村", "Nakamura"}, {"小林", "Kobayashi"},
    {"加藤", "Kato"},     {"吉田", "Yoshida"},  {"山田", "Yamada"},
    {"佐々木", "Sasaki"}, {"松本", "Matsumoto"}};
constexpr Spelling kJapanesePlaces[] = {
    {"千代田区, 東京都, 日本", "Chiyoda, Tokyo, Japan"},
    {"大阪市, 大阪府, 日本", "Osaka, Osaka, Japan"},
    {"京都市, 京都府, 日本", "Kyoto, Kyoto, Japan"},
    {"広島市, 広島県, 日本", "Hiroshima, Hiroshima, Japan"},
    {"名古屋市, 愛知県, 日本", "Nagoya, Aichi, Japan"},
    {"札幌市, 北海道, 日本", "Sapporo, Hokkaido, Japan"},
    {"仙台市, 宮城県, 日本", "Sendai, Miyagi, Japan"},
    {"横浜市, 神奈川県, 日本", "Yokohama, Kanagawa, Japan"},
    {"金沢市, 石川県, 日本", "Kanazawa, Ishikawa, Japan"},
    {"Honolulu, Oahu, Hawaii, USA"}};

constexpr Culture kCultures[] = {
    {"English", 24, kEnglishMale, kEnglishFemale, kEnglishSurnames,
     kEnglishPlaces, FeminineRule::kNone, false},
    {"Irish", 8, kIrishMale, kIrishFemale, kIrishSurnames, kIrishPlaces,
     FeminineRule::kNone, false},
    {"German", 14, kGermanMale, kGermanFemale, kGermanSurnames, kGermanPlaces,
     FeminineRule::kNone, false},
    {"Dutch", 6, kDutchMale, kDutchFemale, kDutchSurnames, kDutchPlaces,
     FeminineRule::kNone, false},
    {"French", 8, kFrenchMale, kFrenchFemale, kFrenchSurnames, kFrenchPlaces,
     FeminineRule::kNone, false},
    {"Italian", 8, kItalianMale, kItalianFemale, kItalianSurnames,
     kItalianPlaces, FeminineRule::kNone, false},
    {"Spanish", 8, kSpanishMale, kSpanishFemale, kSpanishSurnames,
     kSpanishPlaces, FeminineRule::kNone, false},
    {"Polish", 8, kPolishMale, kPolishFemale, kPolishSurnames, kPolishPlaces,
     FeminineRule::kPolish, false},
    {"Czech", 4, kCzechMale, kCzechFemale, kCzechSurnames, kCzechPlaces,
     FeminineRule::kCzech, false},
    {"Swedish", 6, kSwedishMale, kSwedishFemale, kSwedishSurnames,
     kSwedishPlaces, FeminineRule::kNone, false},
    {"Japanese", 6, kJapaneseMale, kJapaneseFemale, kJapaneseSurnames,
     kJapanesePlaces, FeminineRule::kNone, true},
};

constexpr Spelling kEmigrationPlaces[] = {
    {"New York, New York, USA"},
    {"Chicago, Cook, Illinois, USA"},
    {"Milwaukee, Wisconsin, USA"},
    {"Pittsburgh, Allegheny, Pennsylvania, USA"},
    {"St. Louis, Missouri, USA"},
    {"San Francisco, California, USA"},
    {"Buenos Aires, Argentina"},
    {"São Paulo, São Paulo, Brasil", "Sao Paulo, Sao Paulo, Brasil"},
    {"Montréal, Québec, Canada", "Montreal, Quebec, Canada"},
    {"Winnipeg, Manitoba, Canada"},
    {"Melbourne, Victoria, Australia"},
    {"Auckland, New Zealand"}};

constexpr Spelling kNicknames[] = {{"Hans"},
                                   {"Bill"},
                                   {"Kasia"},
                                   {"Peppino"},
                                   {"Paddy"},
                                   {"Sissi"},
                                   {"Sunny ☀️", "Sunny"},
                                   {"🌻 Flower", "Flower"},
                                   {"Nonna 👵", "Nonna"},
                                   {"🎻 Fiddler", "Fiddler"},
                                   {"Captain ⚓", "Captain"},
                                   {"Bear 🐻", "Bear"},
                                   {"🍀 Lucky", "Lucky"},
                                   {"Star ⭐", "Star"},
                                   {"Bubbles 🫧", "Bubbles"},
                                   {"Old Oak 🌳", "Old Oak"},
                                   {"Mimi"},
                                   {"Bubi"}};

constexpr Spelling kNameEmoji[] = {{"🌸", ""}, {"🌹", ""}, {"⭐", ""},
                                   {"🍀", ""}, {"🌈", ""}, {"🕊️", ""}};

constexpr const char* kOccupations[] = {
    "Farmer",      "Labourer",  "Carpenter",        "Blacksmith",
    "Weaver",      "Miner",     "Teacher",          "Merchant",
    "Tailor",      "Shoemaker", "Fisherman",        "Baker",
    "Clerk",       "Sailor",    "Servant",          "Innkeeper",
    "Miller",      "Physician", "Priest",           "Seamstress",
    "Engineer",    "Nurse",     "Railway worker",   "Cooper",
    "Wheelwright", "Midwife",   "Domestic servant", "Soldier"};
constexpr const char* kNamePrefixes[] = {"Dr.",  "Rev.",  "Capt.",
                                         "Col.", "Prof.", "Sgt."};
constexpr const char* kNameSuffixes[] = {"Jr.", "Sr.", "II", "III", "Esq."};
constexpr const char* kTitles[] = {"Sir",  "Baronet", "Graf",     "Knight",
                                   "Lord", "Dame",    "Freiherr", "Count"};
constexpr const char* kShipNames[] = {
    "SS Bremen",  "SS Germanic",       "Cymric",  "Lusitania", "City of Rome",
    "SS Amerika", "Kaiser Wilhelm II", "Oceanic", "Carpathia", "Mayflower"};

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

std::string ReplaceEnd(std::string_view s, std::size_t cut,
                       std::string_view add) {
  std::string out(s.substr(0, s.size() - cut));
  out += add;
  return out;
}

}  // namespace

std::span<const Culture> Cultures() { return kCultures; }
std::span<const Spelling> EmigrationPlaces() { return kEmigrationPlaces; }
std::span<const Spelling> Nicknames() { return kNicknames; }
std::span<const Spelling> NameEmoji() { return kNameEmoji; }
std::span<const char* const> Occupations() { return kOccupations; }
std::span<const char* const> NamePrefixes() { return kNamePrefixes; }
std::span<const char* const> NameSuffixes() { return kNameSuffixes; }
std::span<const char* const> Titles() { return kTitles; }
std::span<const char* const> ShipNames() { return kShipNames; }

std::string FeminineSurname(std::string_view surname, FeminineRule rule,
                            bool ascii_form) {
  switch (rule) {
    case FeminineRule::kNone:
      break;
    case FeminineRule::kPolish:
      // Adjectival names agree with the bearer: Kowalski, Kowalska.
      if (EndsWith(surname, "ski") || EndsWith(surname, "cki")) {
        return ReplaceEnd(surname, 1, "a");
      }
      break;
    case FeminineRule::kCzech: {
      // Černý -> Černá; Svoboda -> Svobodová; Hájek -> Hájková;
      // Němec -> Němcová; otherwise -ová is added.
      const std::string_view ova = ascii_form ? "ova" : "ová";
      if (!ascii_form && EndsWith(surname, "ý")) {
        return ReplaceEnd(surname, 2, "á");
      }
      if (ascii_form && EndsWith(surname, "y"))
        return ReplaceEnd(surname, 1, "a");
      if (EndsWith(surname, "a")) return ReplaceEnd(surname, 1, ova);
      if (EndsWith(surname, "ek")) {
        return ReplaceEnd(surname, 2, "k" + std::string(ova));
      }
      if (EndsWith(surname, "ec")) {
        return ReplaceEnd(surname, 2, "c" + std::string(ova));
      }
      return std::string(surname) + std::string(ova);
    }
  }
  return std::string(surname);
}

}  // namespace kinsheet::gedgen
