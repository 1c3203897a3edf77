#pragma once

#include "core/SettingsFiles.h"
#include "db/QueryResult.h"

#include <QHash>
#include <QString>
#include <array>

namespace kestra {

class AppContext;

// The caches of the suite's vocabularies, each a query result read once at
// start-up. The order is the order of loading.
enum class CodeCache {
    // Start-up, code tables.
    CircRules,
    RuleAssignment,
    AllLocations,
    StatTypes,
    CircTypes,
    CircTypeByClass,
    ClassSchemes,
    ClassGroups,
    StatTemplates,
    DocTypes,
    Carriers,
    AcqModes,
    Languages,
    Countries,
    ReaderTypes,
    LendGrades,
    Violations,
    Staff,
    CloseDays,
    OpenTimes,
    DepartmentsInUse,
    AllDepartments,
    LocationGroups,
    GroupRules,
    LimitTypes,
    // Start-up, the operator-independent location lists.
    SortList0,
    SortList2,
    SortList3,
    // Start-up, the acquisition code lists.
    Publishers,
    PayModes,
    FundSources,
    FundSourcesPlain, // without the special fund types of cf/cfCfg.ini
    Currencies,
    // Start-up, loaded when they can be.
    Campuses,
    SendTimeTypes,
    Count
};

// One holdings location as the location lists carry it. Columns a list does
// not hold read as empty.
struct Location {
    QString location;
    QString name;
    QString property;
    QString shortName;
    QString lendLocation;
    QString retLocation;
    QString fineLocation;
    QString groupId;
    QString locaUse;
    QString branchId;
    QString sound;

    bool inUse() const { return locaUse == QLatin1String("1"); }
};
Location locationAt(const QueryResult &list, int row);

// The settings files read at start-up that several forms share.
struct SharedSettings {
    AssignGroups assignGroups;        // Dc/DCcfg.ini
    InitialStatusTable initialStatus; // Dc/dccfg1.ini
    ReaderTexts readerTexts;          // LT/LT_reader.ini
    QList<FundType> fundTypes;        // cf/cfCfg.ini
    SoundSettings sounds;             // sound/*.ini
};

// Code-to-name answers and drop-down contents without database round trips,
// the operator's current location list, and the location right check.
class CodeTables {
public:
    explicit CodeTables(AppContext &context);
    CodeTables(const CodeTables &) = delete;
    CodeTables &operator=(const CodeTables &) = delete;

    // The start-up loads. Each returns 0, or -1 at the first failing query
    // with the session's error record telling which (the caller shows it
    // with ShowDbError); a cache is replaced only by a successful query.
    int loadCodeTables();
    int loadLocationLists();
    int loadAcquisitionLists(); // reads cf/cfCfg.ini for the fund types
    int loadOptionalLists();    // campuses and sending-time types

    // One cache, loaded with its own query (the start-up loads call this).
    int load(CodeCache cache);

    const QueryResult &table(CodeCache cache) const { return tables_[index(cache)]; }
    bool isLoaded(CodeCache cache) const { return !table(cache).isNull(); }

    // The name of a code in a cache: the first row whose code column equals
    // code; empty when none. Caches that grids translate per cell are indexed.
    QString name(CodeCache cache, const QString &code) const;
    // The row of a code, -1 when none.
    int row(CodeCache cache, const QString &code) const;

    QString locationName(const QString &code) const { return name(CodeCache::AllLocations, code); }
    QString departmentName(const QString &code) const { return name(CodeCache::AllDepartments, code); }
    QString docTypeName(const QString &code) const { return name(CodeCache::DocTypes, code); }
    QString languageName(const QString &code) const { return name(CodeCache::Languages, code); }
    QString countryName(const QString &code) const { return name(CodeCache::Countries, code); }
    QString readerTypeName(const QString &code) const { return name(CodeCache::ReaderTypes, code); }
    QString staffName(const QString &code) const { return name(CodeCache::Staff, code); }
    QString lendGradeName(const QString &code) const { return name(CodeCache::LendGrades, code); }
    QString violationName(const QString &code) const { return name(CodeCache::Violations, code); }
    QString carrierName(const QString &code) const { return name(CodeCache::Carriers, code); }
    QString acqModeName(const QString &code) const { return name(CodeCache::AcqModes, code); }
    QString circTypeName(const QString &code) const { return name(CodeCache::CircTypes, code); }
    QString classSchemeName(const QString &code) const { return name(CodeCache::ClassSchemes, code); }
    QString statTypeName(const QString &code) const { return name(CodeCache::StatTypes, code); }

    // LoadLocations: rebuilds the current list for an operation type ("0",
    // "2", ...), or with all set the list of every location in use. The
    // list is replaced only when the query succeeds; -1 otherwise.
    int loadLocations(const QString &operType, bool all = false);
    const QueryResult &currentLocations() const { return current_; }

    // CheckLocationRight: with locations restricted per operator (system
    // parameter 47), whether the location is in the current list; a refusal
    // is shown through the messages.
    bool checkLocationRight(const QString &location);

    // The shared settings files; start-up fills them.
    SharedSettings &settings() { return settings_; }
    const SharedSettings &settings() const { return settings_; }
    // Puts the location sounds into the current list (after a reload, and
    // when the sound settings change).
    void applyLocationSounds();

    // The fixed lookups.
    static bool isInCollection(const QString &status);
    static QString marcFormatName(const QString &code);
    static QString orderStatusName(const QString &code);

    // The SQL a cache is loaded with (the fund-source list without the
    // special fund types depends on cf/cfCfg.ini).
    QString sqlFor(CodeCache cache) const;
    static QString sortListSql(const QString &operType);

private:
    static int index(CodeCache cache) { return static_cast<int>(cache); }
    int loadRange(CodeCache first, CodeCache last);
    void buildIndex(CodeCache cache);

    AppContext &context_;
    std::array<QueryResult, static_cast<int>(CodeCache::Count)> tables_;
    std::array<QHash<QString, int>, static_cast<int>(CodeCache::Count)> indexes_;
    QueryResult current_;
    SharedSettings settings_;
};

} // namespace kestra
