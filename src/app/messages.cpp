#include "app/messages.h"

#include <array>

namespace tk52 {
namespace {

constexpr std::string_view kPortsAndExchange = "Ошибки порта и обмена";
constexpr std::string_view kConnection = "Соединение и скорость";
constexpr std::string_view kDeviceRefusals = "Ответы радиочасов об ошибке";
constexpr std::string_view kSelfTest = "Самодиагностика";
constexpr std::string_view kFiles = "Журналы и файлы";
constexpr std::string_view kPorts = "Порты";
constexpr std::string_view kProgram = "Программа";

constexpr std::string_view kErrorTitle = "Ошибка!";
constexpr std::string_view kProtocolError = "Ошибка протокола!";
constexpr std::string_view kAttention = "Внимание!";
constexpr std::string_view kFailed = "Операция прошла неудачно.";
constexpr std::string_view kScanFailed = "Ошибка при сканировании портов!";

using enum MessageId;
using enum Severity;
constexpr MessageIcon kErrorIcon = MessageIcon::kError;
constexpr MessageIcon kWarningIcon = MessageIcon::kWarning;
constexpr MessageIcon kInformationIcon = MessageIcon::kInformation;
constexpr MessageIcon kQuestionIcon = MessageIcon::kQuestion;

constexpr std::array kCatalogue = {
    MessageEntry{kNotPerformed, kPortsAndExchange, kErrorTitle, "Операция не выполнена.",
                 kErrorIcon, kError,
                 "Повторите операцию. Если сообщение повторяется, разъедините и снова соедините "
                 "радиочасы."},
    MessageEntry{kPortNotOpen, kPortsAndExchange, kErrorTitle, "Не удалось открыть порт.",
                 kErrorIcon, kError,
                 "Порт занят другой программой, отключён или выбран неверно. Закройте программы, "
                 "работающие с портом, проверьте кабель и адаптер USB–COM, выберите порт в меню "
                 "«Настройки» &rarr; «COM-порт» (кнопка «Сканировать» обновит список) и "
                 "повторите. tk52cli и журнал обмена называют порт и причину."},
    MessageEntry{kCloseFailed, kPortsAndExchange, kErrorTitle, "Не удалось закрыть порт.",
                 kErrorIcon, kError,
                 "Порт мог быть отключён во время работы (например, извлечён адаптер USB–COM). "
                 "Подключите адаптер снова; если порт остаётся недоступным, перезапустите "
                 "программу."},
    MessageEntry{kReadFailed, kPortsAndExchange, kErrorTitle,
                 "Не удалось прочитать данные из порта.", kErrorIcon, kError,
                 "Связь с портом нарушена. Проверьте кабель и адаптер, затем разъедините и снова "
                 "соедините радиочасы."},
    MessageEntry{kWriteFailed, kPortsAndExchange, kErrorTitle, "Не удалось записать данные в порт.",
                 kErrorIcon, kError,
                 "Данные не ушли в порт за отведённое время. Проверьте, что адаптер подключён и "
                 "порт не занят; разъедините и снова соедините радиочасы."},
    MessageEntry{kSpeedChangeFailed, kPortsAndExchange, kErrorTitle,
                 "Не удалось сменить скорость порта.", kErrorIcon, kError,
                 "Порт не принял новую скорость. Выберите другую скорость или другой порт; при "
                 "использовании адаптера проверьте, поддерживает ли он эту скорость."},
    MessageEntry{kNoReply, kPortsAndExchange, kErrorTitle, "Нет ответа на запрос.", kErrorIcon,
                 kError,
                 "Радиочасы не ответили на запрос трижды подряд. Проверьте питание радиочасов и "
                 "кабель; если скорость могла измениться, разъедините и найдите радиочасы "
                 "кнопкой «Найти»."},
    MessageEntry{kBadField, kPortsAndExchange, kProtocolError,
                 "Предложение содержит неверные данные.", kErrorIcon, kError,
                 "Ответ радиочасов не разобран: поле имеет неверное значение. Повторите "
                 "операцию; если ошибка повторяется, сохраните журнал обмена и передайте его в "
                 "техническую поддержку."},
    MessageEntry{kBadChecksum, kPortsAndExchange, kProtocolError, "Контрольная сумма не совпала.",
                 kErrorIcon, kError,
                 "Ответ искажён при передаче. Проверьте кабель и его длину, уменьшите скорость "
                 "обмена и повторите операцию."},
    MessageEntry{kBadCrc, kPortsAndExchange, kProtocolError, "CRC не совпала.", kErrorIcon, kError,
                 "Данные ответа искажены при передаче. Проверьте кабель, уменьшите скорость "
                 "обмена и повторите операцию."},
    MessageEntry{kNotProcessed, kPortsAndExchange, "Ошибка системы/конфигуратора!",
                 "Предложение не обработано.", kErrorIcon, kError,
                 "Программа не успела обработать ответ. Закройте лишние программы, нагружающие "
                 "компьютер, и повторите операцию."},
    MessageEntry{kPostFailed, kPortsAndExchange, "Системная ошибка!",
                 "Не достаточно ресурсов системы.", kErrorIcon, kError,
                 "Системе не хватает ресурсов. Закройте лишние программы или перезапустите "
                 "компьютер."},
    MessageEntry{kUnknownError, kPortsAndExchange, kErrorTitle, "Неизвестная ошибка.", kErrorIcon,
                 kError,
                 "Программа получила код ошибки, которого не знает. Сохраните журнал обмена и "
                 "передайте его в техническую поддержку."},

    MessageEntry{kNoPortChosen, kConnection, kAttention, "Порт для подключения не выбран.",
                 kInformationIcon, kError, "Выберите порт в меню «Настройки» &rarr; «COM-порт»."},
    MessageEntry{kDeviceNotFound, kConnection, "Соединение не установлено.",
                 "Не удалось обнаружить устройство ТК на {port}.", kInformationIcon, kError,
                 "Радиочасы не ответили на выбранной скорости. Проверьте питание и кабель, "
                 "правильность выбранного порта; нажмите «Найти», чтобы перебрать все "
                 "скорости."},
    MessageEntry{kSpeedNotChanged, kConnection, kFailed,
                 "Не удалось изменить скорость передачи данных.", kInformationIcon, kError,
                 "Радиочасы не подтвердили новую скорость. Порт возвращён на прежнюю скорость; "
                 "если связь пропала, разъедините радиочасы и нажмите «Найти»."},
    MessageEntry{kFixedSpeedLine, kConnection, kFailed,
                 "Скорость линии tcp:// задаёт сервер портов: поиск и смена скорости возможны "
                 "только через rfc2217://.",
                 kInformationIcon, kError,
                 "Скорость сетевой линии задаёт сервер портов. Установите её в настройках "
                 "сервера или подключитесь через rfc2217:// к серверу, который принимает "
                 "управление COM-портом (RFC 2217)."},
    MessageEntry{kDeviceGone, kConnection, "Соединение разорвано.",
                 "Устройство отключено от порта {port}.", kErrorIcon, kError,
                 "Порт пропал во время работы: извлечён адаптер USB–COM или сервер портов закрыл "
                 "соединение. Подключите радиочасы снова и нажмите «Соединить»."},

    MessageEntry{kDeviceBadFormat, kDeviceRefusals, "Неверный формат предложения!",
                 "Не достаточное количество полей данных для данного типа предложения.", kErrorIcon,
                 kError,
                 "Радиочасы не приняли запрос программы. Проверьте, что исполнение определено "
                 "правильно (группа «Радиочасы»): разъедините и соедините заново."},
    MessageEntry{kDeviceBadValue, kDeviceRefusals, "Неверное значение параметра!",
                 "Одно или несколько полей данных предложения содержат неверные значения "
                 "параметра.",
                 kErrorIcon, kError,
                 "Радиочасы не принимают выбранное значение. Нажмите «Прочитать», проверьте "
                 "параметры и запишите их снова."},
    MessageEntry{kDeviceUnknownError, kDeviceRefusals, "Не распознанная ошибка протокола!",
                 "Предложение об ошибке содержит не предусмотренный конфигуратором код ошибки.",
                 kErrorIcon, kError,
                 "Версия ПО радиочасов новее программы. Сохраните журнал обмена и обратитесь в "
                 "техническую поддержку."},

    MessageEntry{kSelfTestResult, kSelfTest, "Результат самодиагностики", "{detail}", kWarningIcon,
                 kError,
                 "Радиочасы сообщили о неисправности. Текст окна называет код и его значение "
                 "(см. таблицу ниже); устраните причину и запросите самодиагностику снова."},

    MessageEntry{kNoModelForProfile, kFiles, kErrorTitle,
                 "Модель часов не определена: сначала подключитесь к часам.", kErrorIcon, kError,
                 "Файл конфигурации относится к одной модели радиочасов: соедините радиочасы, "
                 "затем сохраните или загрузите конфигурацию."},
    MessageEntry{kProfileRefused, kFiles, kErrorTitle, "{detail}", kErrorIcon, kError,
                 "Файл конфигурации не подходит: текст окна говорит почему (файл повреждён или "
                 "обрезан, не в кодировке UTF-8, сохранён для другой модели, поле отсутствует, "
                 "повторяется или имеет недопустимое значение, файл слишком велик или это не "
                 "обычный файл). Радиочасам ничего не записано. Выберите файл, сохранённый "
                 "командой «Сохранить конфигурацию...» для этой модели."},
    MessageEntry{kFileNotSaved, kFiles, kErrorTitle, "Не удалось сохранить файл.", kErrorIcon,
                 kError, "Проверьте свободное место и права на папку; выберите другую папку."},
    MessageEntry{kFileNotOpened, kFiles, kErrorTitle, "Не удалось открыть файл.", kErrorIcon,
                 kError, "Файл удалён, перемещён или открыт другой программой без общего доступа."},
    MessageEntry{kFileAccessDenied, kFiles, kErrorTitle, "Доступ к файлу запрещен.", kErrorIcon,
                 kError,
                 "Файл только для чтения или папка защищена. Выберите другое имя или папку."},
    MessageEntry{kClearLogQuestion, kFiles, "Очистка журнала.",
                 "После очистки журнала, все данные в нем будут утеряны.\r\nОчистить журнал?",
                 kQuestionIcon, kNotice,
                 "«Да» удаляет все строки журнала обмена, «Нет» оставляет их. Сохраните журнал "
                 "заранее, если он нужен."},
    MessageEntry{kTrafficLogUnavailable, kFiles, "Не удалось открыть журнал!",
                 "Продолжить работу программы без записи отладочной информации?", kQuestionIcon,
                 kNotice,
                 "Файл journal.txt рядом с программой недоступен для записи (программа запущена "
                 "из защищённой папки или файл открыт другой программой). «Да» &mdash; работать "
                 "без журнала обмена, «Нет» &mdash; выйти. Скопируйте программу в папку, "
                 "доступную для записи."},
    MessageEntry{kEventLogUnavailable, kFiles, "Не удалось открыть журнал событий!",
                 "Продолжить работу программы без работы с журналом событий?", kQuestionIcon,
                 kNotice,
                 "Файл event_journal.txt рядом с программой недоступен для записи. «Да» &mdash; "
                 "работать без журналов событий, «Нет» &mdash; выйти."},
    MessageEntry{kJournalIncomplete, kFiles, kAttention, "Не удалось считать весь журнал.",
                 kWarningIcon, kIncomplete,
                 "Часть записей не пришла. Повторите чтение; проверьте кабель и снизьте скорость "
                 "обмена."},
    MessageEntry{kTooManyViewers, kFiles, kAttention,
                 "Одновременно может быть открыто не больше, чем 5 окон.", kWarningIcon, kNotice,
                 "Закройте одно из окон просмотра журналов."},
    MessageEntry{kWindowNotCreated, kFiles, kErrorTitle, "Не удалось создать окно.", kErrorIcon,
                 kError, "Системе не хватает ресурсов: закройте лишние окна и программы."},
    MessageEntry{kEmptyLogFile, kFiles, kErrorTitle, "Нет данных по журналу.", kErrorIcon, kError,
                 "Выбранный файл пуст."},
    MessageEntry{kLogFileAlreadyOpen, kFiles, kErrorTitle, "Файл уже открыт.", kErrorIcon, kError,
                 "Этот файл уже показан в другом окне."},

    MessageEntry{kPortRegistryUnreadable, kPorts, kScanFailed,
                 "Не удалось получить сведения о портах из реестра Windows.", kErrorIcon, kError,
                 "Список портов недоступен; программа предложит все имена от COM1 до COM256. "
                 "Выберите известный вам порт."},
    MessageEntry{kPortScanOutOfMemory, kPorts, kScanFailed, "Не достаточно памяти.", kErrorIcon,
                 kError, "Закройте лишние программы и нажмите «Сканировать» снова."},
    MessageEntry{kPortScanFailed, kPorts, kScanFailed, "Ошибка операции сканирования.", kErrorIcon,
                 kError,
                 "Нажмите «Сканировать» снова; если ошибка повторяется, выберите порт из полного "
                 "списка."},
    MessageEntry{kPortDefaultListFailed, kPorts, "Ошибка формирования списка портов!",
                 "Не достаточно ресурсов для формирования списка портов по умолчанию.", kErrorIcon,
                 kError, "Закройте лишние программы и перезапустите конфигуратор."},

    MessageEntry{kProcessNotStarted, kProgram, "Системная ошибка!", "Не удалось запустить процесс.",
                 kErrorIcon, kError,
                 "Периодический запрос не запущен: системе не хватает ресурсов. Закройте лишние "
                 "программы и установите флажок снова."},
    MessageEntry{kNoSystemResources, kProgram, kErrorTitle, "Не достаточно системных ресурсов.",
                 kErrorIcon, kError, "Программа не смогла запуститься. Перезапустите компьютер."},
};

// The catalogue is in the order of the identifiers: an entry is found by its number.
constexpr bool in_order() {
  for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
    if (static_cast<std::size_t>(kCatalogue[i].id) != i + 1)
      return false;
  }
  return true;
}
static_assert(in_order(), "the catalogue lists every message once, in the order of MessageId");

void replace_all(std::string& text, std::string_view blank, std::string_view value) {
  for (std::size_t at = text.find(blank); at != std::string::npos;
       at = text.find(blank, at + value.size())) {
    text.replace(at, blank.size(), value);
  }
}

}  // namespace

std::span<const MessageEntry> message_catalogue() {
  return kCatalogue;
}

const MessageEntry& message_entry(MessageId id) {
  const auto index = static_cast<std::size_t>(id);
  if (index == 0 || index > kCatalogue.size())
    return kCatalogue[static_cast<std::size_t>(kUnknownError) - 1];
  return kCatalogue[index - 1];
}

std::string message_text(const Message& message) {
  std::string text(message_entry(message.id).text);
  replace_all(text, "{port}", message.port);
  if (text.find("{detail}") != std::string::npos)
    replace_all(text, "{detail}", message.detail);
  else if (!message.detail.empty())
    text += "\n" + message.detail;
  return text;
}

void show(ShellView& shell, const Message& message) {
  if (message.id == kNone)
    return;
  const MessageEntry& entry = message_entry(message.id);
  shell.show_message(entry.title, message_text(message), entry.icon);
}

Outcome outcome_of(ResultCode code) {
  if (succeeded(code))
    return {};
  return {.code = code, .message = {.id = result_message_id(code)}};
}

MessageId result_message_id(ResultCode code) {
  switch (code) {
    case result::kPortOk:
    case result::kSilent:
    case result::kOk:
      return kNone;
    case result::kNotPerformed:
      return kNotPerformed;
    case result::kPortNotOpen:
      return kPortNotOpen;
    case result::kCloseFailed:
      return kCloseFailed;
    case result::kReadFailed:
      return kReadFailed;
    case result::kWriteFailed:
      return kWriteFailed;
    case result::kSpeedChangeFailed:
      return kSpeedChangeFailed;
    case result::kNoReply:
      return kNoReply;
    case result::kBadField:
      return kBadField;
    case result::kBadChecksum:
      return kBadChecksum;
    case result::kBadCrc:
      return kBadCrc;
    case result::kNotProcessed:
      return kNotProcessed;
    case result::kPostFailed:
      return kPostFailed;
    default:
      return kUnknownError;
  }
}

}  // namespace tk52
