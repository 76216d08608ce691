-- The template database every new installation starts from. It holds the base
-- tables only; the start-up upgrades add every later column and table, so an
-- old database and a new one converge on the same schema.
CREATE TABLE Tasks (
  primaryKey INTEGER PRIMARY KEY,
  taskType NUMERIC DEFAULT 1,
  isADE NUMERIC DEFAULT 0,
  taskName TEXT,
  taskLocation TEXT,
  startTime NUMERIC DEFAULT 0,
  endTime NUMERIC DEFAULT 0,
  dueEnd NUMERIC DEFAULT 0,
  dateUpdate NUMERIC DEFAULT 0,
  completedDate NUMERIC DEFAULT 0,
  hasDue NUMERIC DEFAULT 0,
  taskOrder NUMERIC DEFAULT 0,
  repeatType NUMERIC DEFAULT 0,
  repeatStartDate NUMERIC DEFAULT 0,
  repeatEndDate NUMERIC DEFAULT 0,
  repeatOptions TEXT,
  repeatExceptions TEXT,
  isRepeatForever NUMERIC DEFAULT 1,
  hasDuration NUMERIC DEFAULT 1,
  duration NUMERIC DEFAULT 0,
  calendarId NUMERIC DEFAULT 0,
  parentId NUMERIC DEFAULT -1,
  isInitialTask NUMERIC DEFAULT 0,
  isPinned NUMERIC DEFAULT 0,
  alertValues TEXT,
  iCalIdentifier TEXT,
  builtIn NUMERIC DEFAULT 0,
  isHidden NUMERIC DEFAULT 0,
  taskRepeatStyle NUMERIC DEFAULT 0,
  zvwID NUMERIC DEFAULT 0,
  lastUpdate NUMERIC DEFAULT 0,
  status NUMERIC DEFAULT 0,
  url TEXT,
  occurrence NUMERIC DEFAULT 0,
  tagList TEXT
);
CREATE INDEX TasksByCalendar ON Tasks (calendarId);
CREATE INDEX TasksByParent ON Tasks (parentId);

CREATE TABLE Calendars (
  primaryKey INTEGER PRIMARY KEY,
  calendarName TEXT,
  colorNameId NUMERIC DEFAULT 0,
  colorGroupId NUMERIC DEFAULT 0,
  builtIn NUMERIC DEFAULT 0,
  iCalUID TEXT,
  projectType NUMERIC DEFAULT 0,
  calendarOrder NUMERIC DEFAULT 0,
  inVisible NUMERIC DEFAULT 0,
  zvwProjectId NUMERIC DEFAULT 0,
  lastUpdate NUMERIC DEFAULT 0,
  tagList TEXT,
  hasChanges NUMERIC DEFAULT 1
);

CREATE TABLE Settings (
  primaryKey INTEGER PRIMARY KEY,
  startWorkingWDay NUMERIC DEFAULT 2,
  endWorkingWDay NUMERIC DEFAULT 6,
  deskTimeNDStart NUMERIC DEFAULT 480,
  deskTimeNDEnd NUMERIC DEFAULT 1080,
  deskTimeWEStart NUMERIC DEFAULT 0,
  deskTimeWEEnd NUMERIC DEFAULT 0,
  durationDefTaskVal NUMERIC DEFAULT 30,
  durationDefEventVal NUMERIC DEFAULT 60,
  contextDefID NUMERIC DEFAULT 0,
  calendarDefID NUMERIC DEFAULT 1,
  isWarningForDeleting NUMERIC DEFAULT 1,
  badgeType NUMERIC DEFAULT 0,
  weekStartDay NUMERIC DEFAULT 0,
  taskTypeDefault NUMERIC DEFAULT 1,
  defaultListId NUMERIC DEFAULT 0,
  showFaded NUMERIC DEFAULT 1,
  gmtSecondsValue REAL DEFAULT 0,
  projectViewType NUMERIC DEFAULT 0,
  newTaskAtTop NUMERIC DEFAULT 0,
  filterIndex NUMERIC DEFAULT 0,
  zvwSyncTime NUMERIC DEFAULT 0,
  isFirstTimeZVWSync NUMERIC DEFAULT 1,
  autoZVWSync NUMERIC DEFAULT 0,
  hasZVWFirstTimeSynced NUMERIC DEFAULT 0,
  zvwDeletedProjects TEXT,
  zvwDeletedTasks TEXT,
  iCalSyncWindowStart NUMERIC DEFAULT 30,
  iCalSyncWindowEnd NUMERIC DEFAULT 365,
  iCalLastSyncTime NUMERIC DEFAULT 0,
  autoICalSync NUMERIC DEFAULT 1,
  dbVersion TEXT,
  dayManagerStart NUMERIC DEFAULT 0,
  dayManagerEnd NUMERIC DEFAULT 0,
  dayManagerForDate REAL DEFAULT 0
);

CREATE TABLE Alerts (
  primaryKey INTEGER PRIMARY KEY,
  taskId NUMERIC,
  alertType NUMERIC,
  alertValue NUMERIC,
  soundName TEXT
);

INSERT INTO Calendars (primaryKey, calendarName, colorNameId, colorGroupId, calendarOrder, tagList, hasChanges)
  VALUES (1, 'Zoravel', 0, 0, 1, '', 1);
INSERT INTO Settings (primaryKey, zvwDeletedProjects, zvwDeletedTasks) VALUES (1, '', '');
